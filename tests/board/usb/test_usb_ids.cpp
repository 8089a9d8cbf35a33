// SPDX-License-Identifier: MIT
// The board's USB identities as text: the --usb-ids value of the program and the command-line
// tool, and how ids are shown to the user.

#include "app/command_line.h"
#include "board/usb/usb_ids.h"

#include <QFile>
#include <QRegularExpression>
#include <QtTest>

using zr::usb::UsbId;
using zr::usb::UsbIds;

Q_DECLARE_METATYPE(UsbIds)

class TestUsbIds : public QObject {
    Q_OBJECT

private slots:
    void parses_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<UsbIds>("ids");
        QTest::newRow("the defaults") << "04b4:8613,04b4:1004" << UsbIds{};
        QTest::newRow("uppercase") << "04B4:8613,04B4:1004" << UsbIds{};
        QTest::newRow("own ids") << "1234:abcd,1234:0002"
                                 << UsbIds{{0x1234, 0xABCD}, {0x1234, 0x0002}};
        QTest::newRow("short fields") << "1:2,a:ffff" << UsbIds{{0x1, 0x2}, {0xA, 0xFFFF}};
    }

    void parses()
    {
        QFETCH(QString, text);
        QFETCH(UsbIds, ids);
        QVERIFY(zr::usb::parseUsbIds(text.toStdString()) == ids);
    }

    void refuses_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("problem");
        QTest::newRow("empty") << ""
                               << "needs two USB ids";
        QTest::newRow("one id") << "04b4:8613"
                                << "needs two USB ids";
        QTest::newRow("three ids") << "1:1,1:2,1:3"
                                   << "needs two USB ids";
        QTest::newRow("no colon") << "04b48613,1:2"
                                  << "is not a USB id: write VID:PID";
        QTest::newRow("empty product") << "04b4:,1:2"
                                       << "product id needs one to four";
        QTest::newRow("empty vendor") << ":8613,1:2"
                                      << "vendor id needs one to four";
        QTest::newRow("five digits") << "12345:1,1:2"
                                     << "vendor id needs one to four";
        QTest::newRow("not hexadecimal") << "04g4:8613,1:2"
                                         << "'g' is not a hexadecimal digit";
        QTest::newRow("space") << "04b4:8613, 1:2"
                               << "' ' is not a hexadecimal digit";
        QTest::newRow("sign") << "04b4:8613,1:-2"
                              << "'-' is not a hexadecimal digit";
    }

    void refuses()
    {
        QFETCH(QString, text);
        QFETCH(QString, problem);
        try {
            zr::usb::parseUsbIds(text.toStdString());
            QFAIL("accepted");
        } catch (const std::invalid_argument& refused) {
            QVERIFY2(QString(refused.what()).contains(problem), refused.what());
        }
    }

    void showsFourUppercaseDigits()
    {
        QCOMPARE(zr::usb::usbIdText(UsbIds{}.unprogrammed), std::string("04B4:8613"));
        QCOMPARE(zr::usb::usbIdText(UsbId{0x1, 0xABC}), std::string("0001:0ABC"));
    }

    void commandLineTakesIdsForTheUsbBoard_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QString>("error"); // empty: accepted with ids 1234:1,1234:2
        QTest::newRow("separate value") << QStringList{"--usb-ids", "1234:1,1234:2"} << "";
        QTest::newRow("joined value") << QStringList{"--usb-ids=1234:1,1234:2"} << "";
        QTest::newRow("with --board usb")
            << QStringList{"--board", "usb", "--usb-ids=1234:1,1234:2"} << "";
        QTest::newRow("bad value")
            << QStringList{"--usb-ids", "1234"} << "--usb-ids: '1234' needs two USB ids";
        QTest::newRow("no value") << QStringList{"--usb-ids"} << "--usb-ids needs a value";
        QTest::newRow("given twice")
            << QStringList{"--usb-ids=1234:1,1234:2", "--usb-ids", "1234:1,1234:2"}
            << "--usb-ids is given twice";
        QTest::newRow("board given twice")
            << QStringList{"--board", "usb", "--usb-ids=1234:1,1234:2", "--board=sim"}
            << "--board is given twice";
        QTest::newRow("simulated board") << QStringList{"--board=sim", "--usb-ids=1:1,1:2"}
                                         << "--usb-ids works only with --board usb";
    }

    void commandLineTakesIdsForTheUsbBoard()
    {
        QFETCH(QStringList, args);
        QFETCH(QString, error);
        std::vector<std::string> argv;
        for (const QString& a : args)
            argv.push_back(a.toStdString());
        const zr::ParsedCommandLine parsed = zr::parseCommandLine(argv);
        if (error.isEmpty()) {
            QVERIFY2(parsed.options, parsed.error.c_str());
            QVERIFY(parsed.options->usbIds == (UsbIds{{0x1234, 1}, {0x1234, 2}}));
        } else {
            QVERIFY(!parsed.options);
            QVERIFY2(QString::fromStdString(parsed.error).startsWith(error), parsed.error.c_str());
        }
    }

    // The udev rule must cover the ids the library looks for, in both states of the board.
    void udevRuleGivesAccessToBothDefaultIds()
    {
        QFile rule(ZR_UDEV_RULE_SOURCE);
        QVERIFY(rule.open(QIODevice::ReadOnly | QIODevice::Text));
        QStringList granted;
        const QRegularExpression line(
            R"re(ATTR\{idVendor\}=="([0-9a-f]{4})", ATTR\{idProduct\}=="([0-9a-f]{4})".*TAG\+="uaccess")re");
        for (const QString& text : QString::fromUtf8(rule.readAll()).split('\n')) {
            const QRegularExpressionMatch m = line.match(text);
            if (m.hasMatch() && !text.startsWith('#'))
                granted << (m.captured(1) + ":" + m.captured(2)).toUpper();
        }
        for (UsbId id : {UsbIds{}.unprogrammed, UsbIds{}.programmed})
            QVERIFY2(granted.contains(QString::fromStdString(zr::usb::usbIdText(id))),
                     qPrintable(granted.join(' ')));
    }

    void withoutTheOptionTheLibraryChooses()
    {
        const zr::ParsedCommandLine parsed = zr::parseCommandLine({});
        QVERIFY(parsed.options);
        QVERIFY(!parsed.options->usbIds);
        QVERIFY(QString::fromStdString(zr::helpText("zr410ab")).contains("04B4:8613,04B4:1004"));
    }
};

QTEST_GUILESS_MAIN(TestUsbIds)
#include "test_usb_ids.moc"
