#include "app/settingsstore.h"
#include "app/windowgeometry.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using Numbers::Separators;

class tst_SettingsStore : public QObject
{
    Q_OBJECT
private:
    QTemporaryDir m_dir;

    int m_case = 0;

    // QSettings caches files by name and time stamp: every case gets a file of its own.
    QString iniPath() const { return m_dir.filePath(QStringLiteral("Kalumet%1.conf").arg(m_case)); }
    void writeIni(const QByteArray &text)
    {
        QFile f(iniPath());
        QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(text);
    }

private Q_SLOTS:
    void init() { ++m_case; }

    void missingKeysYieldTheirDefaults_data()
    {
        QTest::addColumn<QChar>("sep");
        QTest::newRow("comma") << QChar(u',');
        QTest::newRow("dot") << QChar(u'.');
    }
    void missingKeysYieldTheirDefaults()
    {
        QFETCH(QChar, sep);
        QSettings settings(iniPath(), QSettings::IniFormat);
        const SettingsStore store(settings, Separators {sep});
        const SettingsStore::Geometry g = store.readGeometry();
        QCOMPARE(g.left, 1000.0f);
        QCOMPARE(g.top, 1000.0f);
        QCOMPARE(g.width, 6500.0f);
        QCOMPARE(g.height, 6500.0f);
        QCOMPARE(store.readNumber(SettingsStore::InkZeit, SettingsStore::DefaultInkZeit), 0.5);
        QCOMPARE(store.readNumber(SettingsStore::VolInk, SettingsStore::DefaultVolInk), 0.5);
    }

    void storedTextIsReadInTheUsersFormat_data()
    {
        QTest::addColumn<QByteArray>("line");
        QTest::addColumn<QChar>("sep");
        QTest::addColumn<double>("value");
        QTest::newRow("comma quoted") << QByteArray("InkZeit=\"2,5\"") << QChar(u',') << 2.5;
        QTest::newRow("comma hand-edited without quotes")
            << QByteArray("InkZeit=2,5") << QChar(u',') << 2.5;
        QTest::newRow("dot") << QByteArray("InkZeit=2.5") << QChar(u'.') << 2.5;
        QTest::newRow("dot text under comma is grouping")
            << QByteArray("InkZeit=0.05") << QChar(u',') << 5.0;
        QTest::newRow("letters give the default")
            << QByteArray("InkZeit=abc") << QChar(u',') << 0.5;
        QTest::newRow("empty gives the default") << QByteArray("InkZeit=") << QChar(u'.') << 0.5;
        QTest::newRow("two separators give the default")
            << QByteArray("InkZeit=\"1,2,3\"") << QChar(u',') << 0.5;
    }
    void storedTextIsReadInTheUsersFormat()
    {
        QFETCH(QByteArray, line);
        QFETCH(QChar, sep);
        QFETCH(double, value);
        writeIni("[Settings]\n" + line + "\n");
        QSettings settings(iniPath(), QSettings::IniFormat);
        const SettingsStore store(settings, Separators {sep});
        QCOMPARE(store.readNumber(SettingsStore::InkZeit, SettingsStore::DefaultInkZeit), value);
    }

    void writesTheSixKeysAsText_data()
    {
        QTest::addColumn<QChar>("sep");
        QTest::addColumn<QString>("inkZeit");
        QTest::addColumn<QString>("volInk");
        QTest::addColumn<QString>("width");
        QTest::newRow("comma") << QChar(u',') << QStringLiteral("0,5") << QStringLiteral("0,05")
                               << QStringLiteral("6500,25");
        QTest::newRow("dot") << QChar(u'.') << QStringLiteral("0.5") << QStringLiteral("0.05")
                             << QStringLiteral("6500.25");
    }
    void writesTheSixKeysAsText()
    {
        QFETCH(QChar, sep);
        QFETCH(QString, inkZeit);
        QFETCH(QString, volInk);
        QFETCH(QString, width);
        {
            QSettings settings(iniPath(), QSettings::IniFormat);
            SettingsStore store(settings, Separators {sep});
            QVERIFY(store.write({1500, 1200, 6500.25f, 7000}, 0.5, 0.05));
        }
        QSettings check(iniPath(), QSettings::IniFormat);
        check.beginGroup(QStringLiteral("Settings"));
        QCOMPARE(check.childKeys().size(), 6);
        QCOMPARE(check.value("MainLeft").toString(), QStringLiteral("1500"));
        QCOMPARE(check.value("MainTop").toString(), QStringLiteral("1200"));
        QCOMPARE(check.value("MainWidth").toString(), width);
        QCOMPARE(check.value("MainHeight").toString(), QStringLiteral("7000"));
        QCOMPARE(check.value("InkZeit").toString(), inkZeit);
        QCOMPARE(check.value("volink").toString(), volInk);

        // And back through the store.
        check.endGroup();
        SettingsStore store(check, Separators {sep});
        QCOMPARE(store.readGeometry().width, 6500.25f);
        QCOMPARE(store.readNumber(SettingsStore::VolInk, 0.5), 0.05);
    }

    void unwritableStoreReportsFailure()
    {
        // The store's directory is a plain file, so nothing can be written below it.
        QFile blocker(m_dir.filePath(QStringLiteral("blocker")));
        QVERIFY(blocker.open(QIODevice::WriteOnly));
        blocker.close();
        QSettings settings(
            m_dir.filePath(QStringLiteral("blocker/Kalumet.conf")), QSettings::IniFormat);
        SettingsStore store(settings, Separators::dot());
        QString error;
        QVERIFY(!store.write({}, 0.5, 0.5, &error));
        QVERIFY(!error.isEmpty());
    }

    void geometryKeepsTheTwipsOfUntouchedSides_data()
    {
        QTest::addColumn<double>("dpi");
        QTest::addColumn<QPoint>("moveBy");
        QTest::addColumn<QSize>("growBy");
        QTest::addColumn<bool>("leftKept");
        QTest::addColumn<bool>("widthKept");
        QTest::newRow("96 dpi untouched") << 96.0 << QPoint() << QSize(0, 0) << true << true;
        QTest::newRow("120 dpi untouched") << 120.0 << QPoint() << QSize(0, 0) << true << true;
        QTest::newRow("144 dpi untouched") << 144.0 << QPoint() << QSize(0, 0) << true << true;
        QTest::newRow("moved right") << 96.0 << QPoint(10, 0) << QSize(0, 0) << false << true;
        QTest::newRow("made wider") << 96.0 << QPoint() << QSize(1, 0) << true << false;
    }
    void geometryKeepsTheTwipsOfUntouchedSides()
    {
        QFETCH(double, dpi);
        QFETCH(QPoint, moveBy);
        QFETCH(QSize, growBy);
        QFETCH(bool, leftKept);
        QFETCH(bool, widthKept);
        const WindowGeometry::Dpi d {dpi, dpi};
        const SettingsStore::Geometry applied {1000, 1000, 6500, 6500};
        QRect shown = WindowGeometry::toPixels(applied, d);
        shown.translate(moveBy);
        shown.setSize(shown.size() + growBy);
        const SettingsStore::Geometry saved = WindowGeometry::toTwips(shown, applied, d);

        QCOMPARE(saved.top, 1000.0f);
        QCOMPARE(saved.height, 6500.0f);
        if (leftKept)
            QCOMPARE(saved.left, 1000.0f);
        else
            QCOMPARE(saved.left, float(shown.x() * 1440.0 / dpi));
        if (widthKept)
            QCOMPARE(saved.width, 6500.0f);
        else
            QCOMPARE(saved.width, float(shown.width() * 1440.0 / dpi));
        // What is saved shows where the window is.
        QCOMPARE(WindowGeometry::toPixels(saved, d), shown);
    }
};

QTEST_GUILESS_MAIN(tst_SettingsStore)
#include "tst_settingsstore.moc"
