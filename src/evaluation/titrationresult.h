#pragma once

#include "evaluation/eprecognition.h"
#include "evaluation/uncertaintybudget.h"

#include <QString>
#include <QStringList>

#include <optional>
#include <vector>

// The values of a method that turn an equivalence point into the result a laboratory reports
// (settings group "Method"). Units are kept as text, as they are stored.
struct MethodValues
{
    // Characters of a sample id; a longer one is cut.
    static constexpr int MaxSampleIdLength = 64;
    // The id as it is kept: no blanks around it, at most MaxSampleIdLength characters.
    static QString sampleIdFrom(const QString &text)
    {
        return text.trimmed().left(MaxSampleIdLength).trimmed();
    }

    QString sampleId; // the sample's name or number in the lab; empty: not entered
    double sampleSize = 0; // in sampleUnit; 0: not entered
    QString sampleUnit = QStringLiteral("mL"); // "g" or "mL"
    // The journal's titrant by name: its nominal concentration and newest valid titer take the
    // place of the two values below. Empty: they are used as typed.
    QString titrant;
    double titrantConcentration = 0.1; // mol/L
    double titer = 1;
    double stoichiometricFactor = 1; // mol of analyte per mol of titrant
    double molarMass = 0; // g/mol; 0: not entered
    double blankVolume = 0; // mL
    int resultEp = 1; // the EP the result is taken from, 1 for the first
    QString resultUnit = QStringLiteral("mol/L");

    // The standard uncertainties of the inputs besides the EP's volume (0: taken as exact).
    double uTitrantConcentrationPercent = 0; // relative, % of the concentration
    double buretteSystematicPercent = 0; // limit of the systematic error, % of the dosed volume
    double buretteRandomPercent = 0; // random error (a standard deviation), % of the volume
    double uSampleSize = 0; // in sampleUnit
    double uBlankVolume = 0; // mL
    // The u of the titer taken from the titrant's history; it then stands for the titrant's
    // concentration in place of uTitrantConcentrationPercent. None: the titer is typed.
    std::optional<double> uTiter;

    bool operator==(const MethodValues &) const = default;
};

enum class ResultUnit { MolPerLitre, MillimolPerLitre, Millimol, Milligram, GramPerLitre, Percent };
enum class SampleUnit { Gram, Millilitre };

struct TitrationResultValue
{
    double value = 0; // in unit
    double u = 0; // combined standard uncertainty of the budget's inputs, in unit
    std::vector<BudgetContribution> budget; // every input's part of u
    QString unit; // as the user chose it, written the standard way ("mol/L", "%")
    int ep = 1; // the EP it was taken from, 1 for the first
    double epVolume = 0; // mL

    double expandedU() const { return UncertaintyBudget::CoverageFactor * u; }
};

// A result, or why there is none (a translated sentence).
struct TitrationResultOutcome
{
    std::optional<TitrationResultValue> result;
    QString error;
};

namespace TitrationResult {

// "mol/L", "mmol/L", "mmol", "mg", "g/L", "%" (any case, blanks around ignored).
std::optional<ResultUnit> resultUnitFromText(const QString &text);
QString resultUnitText(ResultUnit unit);
// Every result unit's text, in the order above.
QStringList resultUnitTexts();
// "g" or "mL" (any case, blanks around ignored).
std::optional<SampleUnit> sampleUnitFromText(const QString &text);

// Empty when the values give a result; otherwise the first reason they do not, as a translated
// sentence. The sample size is checked only for units that divide by it, the molar mass only
// for units that need a mass.
QString validate(const MethodValues &method);

// amount = (V_EP - blank) * c * titer * factor in mmol; then per unit: mmol as it is, mol/L and
// mmol/L per mL of sample, mg = amount * M, g/L per mL of sample, % = mass / sample * 100 (by
// weight for a sample in g, weight per volume for one in mL). u combines uEpVolume with the
// method's other uncertainties (UncertaintyBudget).
TitrationResultOutcome compute(const MethodValues &method, double epVolume, double uEpVolume);
// The same for the method's EP among the recognised ones (ordered by volume).
TitrationResultOutcome compute(const MethodValues &method, const std::vector<RecognisedEp> &points);

} // namespace TitrationResult
