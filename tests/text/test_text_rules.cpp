// SPDX-License-Identifier: MIT
// The shared text rules, against the examples the windows and the log file show.

#include "support/comma_locale.h"
#include "text/text_rules.h"

#include <QTest>
#include <cmath>
#include <limits>
#include <memory>

using namespace zr::text;

class TestTextRules : public QObject {
    Q_OBJECT
    std::unique_ptr<zr::test::CommaDecimalLocale> comma_;
private slots:
    void initTestCase()
    {
        // Qt applications take the user's locale for the C library too; a comma-decimal one must
        // change nothing here.
        comma_ = std::make_unique<zr::test::CommaDecimalLocale>();
        if (!comma_->active())
            qWarning("no comma-decimal locale here: numbers checked in the C locale only");
    }
    void cleanupTestCase() { comma_.reset(); }

    void leadingNumber_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<double>("expected");
        QTest::newRow("plain") << "12" << 12.0;
        QTest::newRow("fraction") << "12.5" << 12.5;
        QTest::newRow("no leading zero") << ".5" << 0.5;
        QTest::newRow("negative") << "-5" << -5.0;
        QTest::newRow("plus sign") << "+7" << 7.0;
        QTest::newRow("space then 7") << " 7" << 7.0;
        QTest::newRow("blanks inside") << "1 2\t3\n4" << 1234.0;
        QTest::newRow("empty") << "" << 0.0;
        QTest::newRow("letters") << "abc" << 0.0;
        QTest::newRow("stops at letter") << "12abc" << 12.0;
        QTest::newRow("exponent") << "1e3" << 1000.0;
        QTest::newRow("exponent sign") << "25E-1" << 2.5;
        QTest::newRow("exponent without digits") << "3e" << 3.0;
        QTest::newRow("second point stops") << "1.2.3" << 1.2;
        QTest::newRow("hex upper") << "&H10" << 16.0;
        QTest::newRow("hex lower") << "&hff" << 255.0;
        QTest::newRow("hex stops") << "&h1G" << 1.0;
        QTest::newRow("hex leading zeros") << "&h00FF" << 255.0;
        QTest::newRow("hex nothing") << "&h" << 0.0;
        QTest::newRow("hex 0x prefix") << "&h0x1F" << 0.0;
        QTest::newRow("hex long") << "&hFFFF" << 65535.0;
        QTest::newRow("lone sign") << "-" << 0.0;
        QTest::newRow("sign then point") << "-.25" << -0.25;
        QTest::newRow("comma is not a point") << "12,5" << 12.0;
    }
    void leadingNumber()
    {
        QFETCH(QString, text);
        QFETCH(double, expected);
        QCOMPARE(zr::text::leadingNumber(text.toStdString()), expected);
    }

    void leadingNumberHuge()
    {
        QVERIFY(std::isinf(zr::text::leadingNumber("1e999")));
        QCOMPARE(zr::text::leadingNumber("1e-999"), 0.0);
    }

    void roundToInt32_data()
    {
        QTest::addColumn<double>("value");
        QTest::addColumn<int>("expected");
        QTest::newRow("2.5 down to even") << 2.5 << 2;
        QTest::newRow("3.5 up to even") << 3.5 << 4;
        QTest::newRow("12.5") << 12.5 << 12;
        QTest::newRow("13.5") << 13.5 << 14;
        QTest::newRow("-2.5") << -2.5 << -2;
        QTest::newRow("22.5") << 22.5 << 22;
        QTest::newRow("not a half") << 2.51 << 3;
        QTest::newRow("negative") << -5.4 << -5;
    }
    void roundToInt32()
    {
        QFETCH(double, value);
        QFETCH(int, expected);
        QCOMPARE(zr::text::roundToInt32(value).value(), expected);
    }

    void roundToInt32Refuses()
    {
        QVERIFY(!zr::text::roundToInt32(3e9).has_value());
        QVERIFY(!zr::text::roundToInt32(-3e9).has_value());
        QVERIFY(!zr::text::roundToInt32(INFINITY).has_value());
        QVERIFY(!zr::text::roundToInt32(NAN).has_value());
    }

    void hexText_data()
    {
        QTest::addColumn<uint>("value");
        QTest::addColumn<QString>("expected");
        QTest::newRow("zero") << 0u << "0";
        QTest::newRow("one") << 1u << "1";
        QTest::newRow("ten") << 10u << "A";
        QTest::newRow("255") << 255u << "FF";
        QTest::newRow("0x41") << 0x41u << "41";
        QTest::newRow("4564") << 4564u << "11D4";
        QTest::newRow("165") << 165u << "A5";
    }
    void hexText()
    {
        QFETCH(uint, value);
        QFETCH(QString, expected);
        QCOMPARE(QString::fromStdString(zr::text::hexText(value)), expected);
    }

    void decimalText_data()
    {
        QTest::addColumn<float>("value");
        QTest::addColumn<QString>("shown");
        QTest::addColumn<QString>("logged");
        QTest::newRow("25.5") << 25.5f << "25.5"
                              << " 25.5";
        QTest::newRow("whole") << 30.0f << "30"
                               << " 30";
        QTest::newRow("below one") << 0.75f << ".75"
                                   << " .75";
        QTest::newRow("negative") << -3.25f << "-3.25"
                                  << "-3.25";
        QTest::newRow("negative below one") << -0.25f << "-.25"
                                            << "-.25";
        QTest::newRow("half") << 0.5f << ".5"
                              << " .5";
        QTest::newRow("25.13 single") << 25.13f << "25.13"
                                      << " 25.13";
        QTest::newRow("25.25") << 25.25f << "25.25"
                               << " 25.25";
        QTest::newRow("3.301") << 3.301f << "3.301"
                               << " 3.301";
        QTest::newRow("3.3") << 3.3f << "3.3"
                             << " 3.3";
        QTest::newRow("-7.5") << -7.5f << "-7.5"
                              << "-7.5";
        QTest::newRow("zero") << 0.0f << "0"
                              << " 0";
        QTest::newRow("negative zero") << -0.0f << "0"
                                       << " 0";
        QTest::newRow("seven digits") << -0.1199951171875f << "-.1199951"
                                      << "-.1199951";
        QTest::newRow("63.999") << 63.999f << "63.999"
                                << " 63.999";
        QTest::newRow("511.02") << 511.02f << "511.02"
                                << " 511.02";
        QTest::newRow("-512.98") << -512.98f << "-512.98"
                                 << "-512.98";
    }
    void decimalText()
    {
        QFETCH(float, value);
        QFETCH(QString, shown);
        QFETCH(QString, logged);
        QCOMPARE(QString::fromStdString(zr::text::decimalText(value)), shown);
        QCOMPARE(QString::fromStdString(zr::text::logNumberText(value)), logged);
    }

    void wholeNumbers_data()
    {
        QTest::addColumn<int>("value");
        QTest::addColumn<QString>("shown");
        QTest::addColumn<QString>("logged");
        QTest::newRow("-12") << -12 << "-12"
                             << "-12";
        QTest::newRow("0") << 0 << "0"
                           << " 0";
        QTest::newRow("37") << 37 << "37"
                            << " 37";
    }
    void wholeNumbers()
    {
        QFETCH(int, value);
        QFETCH(QString, shown);
        QFETCH(QString, logged);
        QCOMPARE(QString::fromStdString(zr::text::decimalText(std::int64_t{value})), shown);
        QCOMPARE(QString::fromStdString(zr::text::logNumberText(std::int32_t{value})), logged);
    }

    void fixedTwoDecimals_data()
    {
        QTest::addColumn<double>("value");
        QTest::addColumn<QString>("expected");
        QTest::newRow("24.5") << 24.5 << "24.50";
        QTest::newRow("31.25") << 31.25 << "31.25";
        QTest::newRow("-5.5") << -5.5 << "-5.50";
        QTest::newRow("12.063 single") << double(12.063f) << "12.06";
        QTest::newRow("3.3 single") << double(3.3f) << "3.30";
        QTest::newRow("zero") << 0.0 << "0.00";
        QTest::newRow("below one") << 0.062 << "0.06";
        QTest::newRow("tiny negative") << -0.001 << "0.00";
        // Halves of the decimal that the log and the tool show, whatever the binary value.
        QTest::newRow("2.495 single") << double(2.495f) << "2.50";
        QTest::newRow("1.125 single") << double(1.125f) << "1.13";
        QTest::newRow("3.305 single") << double(3.305f) << "3.31";
        QTest::newRow(".005 single") << double(0.005f) << "0.01";
        QTest::newRow(".015 single") << double(0.015f) << "0.02";
        QTest::newRow("-2.495 single") << double(-2.495f) << "-2.50";
        QTest::newRow("-512.98 single") << double(-512.98f) << "-512.98";
        // Whole magnitudes too large for a short buffer, or for value x 100: every digit written.
        QTest::newRow("1e61") << 1e61
                              << "9999999999999999493871352970740188669636450110134100730839040.00";
        QTest::newRow("-2^250")
            << -0x1p250
            << "-1809251394333065553493296640760748560207343510400633813116524750123642650624.00";
        QTest::newRow("largest double")
            << std::numeric_limits<double>::max()
            << QString("179769313486231570814527423731704356798070567525844996598917476803157260780"
                       "02853876058"
                       "955863276687817154045895351438246423432132688946418276846754670353751698604"
                       "99105765512"
                       "820762454900903893289440758685084551339423045832369032229481658085593321233"
                       "48274797826"
                       "204144723168738177180919299881250404026184124858368"
                       ".00");
    }
    void fixedTwoDecimals()
    {
        QFETCH(double, value);
        QFETCH(QString, expected);
        QCOMPARE(QString::fromStdString(zr::text::fixedTwoDecimals(value)), expected);
    }

    void fixedDecimals_data()
    {
        QTest::addColumn<double>("value");
        QTest::addColumn<int>("decimals");
        QTest::addColumn<QString>("expected");
        QTest::newRow("deviation") << 0.0123456 << 3 << "0.012";
        QTest::newRow("2.4995 single, half up") << double(2.4995f) << 3 << "2.500";
        QTest::newRow("tiny negative") << -0.0004 << 3 << "0.000";
        QTest::newRow("whole") << 1234.5678 << 0 << "1235";
        QTest::newRow("leading zeros kept") << 7.0625 << 4 << "7.0625";
    }
    void fixedDecimals()
    {
        QFETCH(double, value);
        QFETCH(int, decimals);
        QFETCH(QString, expected);
        QCOMPARE(QString::fromStdString(zr::text::fixedDecimals(value, decimals)), expected);
    }
};

QTEST_APPLESS_MAIN(TestTextRules)
#include "test_text_rules.moc"
