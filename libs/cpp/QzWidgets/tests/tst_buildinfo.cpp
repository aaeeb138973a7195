#include "BuildInfo.h"

#include <QTest>

using QzWidgets::BuildInfo;

class TestBuildInfo : public QObject
{
    Q_OBJECT

private slots:
    void buildText_data()
    {
        QTest::addColumn<QString>("compileDate");
        QTest::addColumn<QString>("build");
        QTest::addColumn<QDate>("date");
        QTest::newRow("two-digit day") << "Mar 13 2014"
                                       << "3/13/2014" << QDate(2014, 3, 13);
        QTest::newRow("padded day") << "Mar  3 2014"
                                    << "3/3/2014" << QDate(2014, 3, 3);
        QTest::newRow("two-digit month") << "Dec  1 2014"
                                         << "12/1/2014" << QDate(2014, 12, 1);
        QTest::newRow("October is not January") << "Oct 31 2026"
                                                << "10/31/2026" << QDate(2026, 10, 31);
        QTest::newRow("not a compiler date") << "yesterday"
                                             << "yesterday" << QDate();
    }

    void buildText()
    {
        QFETCH(QString, compileDate);
        QFETCH(QString, build);
        QFETCH(QDate, date);
        QCOMPARE(BuildInfo::buildText(compileDate), build);
        QCOMPARE(BuildInfo::dateFromBuildText(build), date);
    }

    void compiledDateParses()
    {
        const QDate date = BuildInfo::dateFromBuildText(BuildInfo::buildText(BuildInfo::compileDateText()));
        QVERIFY(date.isValid());
        QVERIFY(date <= QDate::currentDate());
    }
};

QTEST_GUILESS_MAIN(TestBuildInfo)
#include "tst_buildinfo.moc"
