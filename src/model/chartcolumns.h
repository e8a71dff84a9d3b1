#pragma once

// The columns of the chart grid: the titration curve, then its first derivative.
namespace ChartColumn {

constexpr int CurveX = 1; // volume, mL
constexpr int CurveY = 2; // measured value, pH or mV
constexpr int DerivativeX = 3;
constexpr int DerivativeY = 4;

} // namespace ChartColumn
