// The windows' stored descriptions: read, built into controls and saved back
// unchanged; and what a faulty description is told.
#include "FakeServices.h"
#include "button/sknButton.h"
#include "gui/FormControls.h"
#include "gui/frmKey.h"
#include "gui/frmMain.h"
#include "gui/frmWait.h"
#include "shared/ControlFailures.h"
#include "shared/SkinnedControl.h"

#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QtTest>

using namespace zephral;

namespace {

// The first line where two texts differ, for a readable failure.
QString firstDifference(const QString& a, const QString& b) {
    const QStringList la = a.split(u'\n');
    const QStringList lb = b.split(u'\n');
    for (qsizetype i = 0; i < std::max(la.size(), lb.size()); ++i) {
        if (la.value(i) != lb.value(i)) {
            return QStringLiteral("line %1: stored \"%2\", saved \"%3\"")
                .arg(i + 1)
                .arg(la.value(i), lb.value(i));
        }
    }
    return {};
}

const char* const kSmall = R"(# A window of two controls.
form frmSmall
    client              1500 1500
end

control sknFrame3D1 sknFrame3D
    container           frmSmall
    position            0 0
    extent              1000 1000
    BorderType          Long     2
end

control txtBox TextBox
    container           sknFrame3D1
    position            30 30
    size                600 300
    tabindex            0
    MultiLine           Boolean  False
end
)";

} // namespace

class tst_forms : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void init() { env = std::make_unique<zephral::test::TestServices>(); }
    void cleanup() { env.reset(); }

    // Each window built from its description and saved again gives the
    // stored text byte for byte.
    void roundTrip_data() {
        QTest::addColumn<QString>("form");
        QTest::newRow("main window") << QStringLiteral("frmMain");
        QTest::newRow("key dialog") << QStringLiteral("frmKey");
        QTest::newRow("wait window") << QStringLiteral("frmWait");
    }
    void roundTrip() {
        QFETCH(QString, form);
        frmMain main;
        QString saved;
        if (form == u"frmMain") {
            saved = writeFormDescription(main.controls().save());
        } else if (form == u"frmKey") {
            frmKey key(&main);
            saved = writeFormDescription(key.controls().save());
        } else {
            frmWait wait(&main);
            saved = writeFormDescription(wait.controls().save());
        }
        const QString stored = builtInFormText(form);
        if (saved != stored) {
            // Beside the test, for a look with diff.
            QFile out(form + QStringLiteral(".form.saved"));
            if (out.open(QIODevice::WriteOnly)) {
                out.write(saved.toUtf8());
            }
        }
        QVERIFY2(saved == stored, qPrintable(firstDifference(stored, saved)));
        // The text alone reads back to the same text.
        QCOMPARE(writeFormDescription(*readFormDescription(stored)), stored);
    }

    void quotedText_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("quoted");
        QTest::newRow("empty") << QString() << "\"\"";
        QTest::newRow("trailing blanks") << "Encrypt File  "
                                         << "\"Encrypt File  \"";
        QTest::newRow("quote and backslash") << "a \"b\" \\c"
                                             << "\"a \\\"b\\\" \\\\c\"";
        QTest::newRow("line breaks and tab") << "1\r\n2\t3"
                                             << "\"1\\r\\n2\\t3\"";
        QTest::newRow("control character") << QString(QChar(1)) << "\"\\u0001\"";
        QTest::newRow("non-breaking space")
            << QStringLiteral("a\u00A0b") << QStringLiteral("\"a\u00A0b\"");
    }
    void quotedText() {
        QFETCH(QString, text);
        QFETCH(QString, quoted);
        QCOMPARE(quoteText(text), quoted);
        QCOMPARE(unquoteText(quoted), std::optional<QString>(text));
    }

    void badQuotedText() {
        for (const char* bad : {"", "\"", "abc", "\"a\"b\"", "\"a\\\"", "\"\\q\"", "\"\\u12\""}) {
            QVERIFY2(!unquoteText(QString::fromLatin1(bad)), bad);
        }
    }

    // A faulty description is refused with the line and what is wrong.
    void readErrors_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("error");
        const QString form = QStringLiteral("form f\n    client 15 15\nend\n");
        QTest::newRow("nothing") << QString() << "line 1: no \"form\" block";
        QTest::newRow("no client") << "form f\nend\n"
                                   << "line 2: the block has no \"client\"";
        QTest::newRow("control first") << "control a TextBox\nend\n"
                                       << "line 1: the window comes before its controls";
        QTest::newRow("two windows") << form + "form g\n"
                                     << "line 4: the window is described twice";
        QTest::newRow("stray line") << form + "button a\n"
                                    << "line 4: expected \"form NAME\" or \"control NAME KIND\"";
        QTest::newRow("no end") << "form f\n    client 15 15\n"
                                << "line 1: the block has no \"end\"";
        QTest::newRow("comment inside") << "form f\n# note\n"
                                        << "line 2: comments go before a block";
        QTest::newRow("negative size") << "form f\n    client -15 15\nend\n"
                                       << "line 2: expected 2 whole numbers, not \"-15 15\"";
        QTest::newRow("twice") << "form f\n    client 15 15\n    client 15 15\n"
                               << "line 3: \"client\" is given twice";
        QTest::newRow("no type") << "form f\n    client 15 15\n    Caption \"x\"\n"
                                 << "line 3: \"Caption\" needs a type";
        QTest::newRow("unquoted text") << "form f\n    client 15 15\n    Caption String x\n"
                                       << "line 3: the value of \"Caption\" is not one quoted text";
        QTest::newRow("bad number") << "form f\n    client 15 15\n    BackColor Long red\n"
                                    << "line 3: bad Long value for \"BackColor\"";
        QTest::newRow("missing picture")
            << "form f\n    client 15 15\n    Icon Picture \":/no/such.png\"\n"
            << "line 3: bad Picture value for \"Icon\": cannot read picture";
        QTest::newRow("same name twice")
            << form + "control a Label\n    container f\n    position 0 0\n    size 15 15\nend\n"
                      "control A Label\n"
            << "line 9: \"A\" is described twice";
        QTest::newRow("container later")
            << form + "control a Label\n    container b\n    position 0 0\n    size 15 15\nend\n"
            << "line 8: container \"b\" is not described before \"a\"";
        QTest::newRow("extent and size")
            << form + "control a Label\n    size 15 15\n    extent 15 15\n"
            << "line 6: a control has an extent or a size, not both";
        QTest::newRow("no place") << form + "control a Label\n    container f\nend\n"
                                  << "line 6: the block has no \"position\"";
    }
    void readErrors() {
        QFETCH(QString, text);
        QFETCH(QString, error);
        QString reason;
        QVERIFY(!readFormDescription(text, &reason));
        QVERIFY2(reason.startsWith(error), qPrintable(reason));
    }

    void loadAndSave() {
        QWidget form;
        FormControls controls(&form, *readFormDescription(QString::fromUtf8(kSmall)));
        auto* frame = controls.control<SkinnedControl>(u"sknFrame3D1");
        auto* box = controls.control<QLineEdit>(u"txtBox");
        QCOMPARE(frame->geometry(), QRect(0, 0, 38, 38));
        QCOMPARE(box->parentWidget(), frame);
        QCOMPARE(box->geometry(), QRect(2, 2, 40, 20));
        QCOMPARE(controls.tabOrder(), QList<QWidget*>{box});
        QCOMPARE(controls.clientSize(), QSize(100, 100));
        QVERIFY_THROWS_EXCEPTION(FormError, controls.control<QLabel>(u"txtBox"));
        QVERIFY_THROWS_EXCEPTION(FormError, controls.control<QLabel>(u"Label9"));

        // Saved as loaded, except what has changed: an extent that no longer
        // gives the control's size, a place, a text.
        FormDescription saved = controls.save();
        QCOMPARE(saved.controls[0].size, QSize(1000, 1000));
        QCOMPARE(saved.controls[0].properties.readLong(u"BorderType", 0).value, 2);
        frame->setGeometry(1, 2, 40, 38);
        box->setText(QStringLiteral("typed"));
        saved = controls.save();
        QCOMPARE(saved.controls[0].position, QPoint(15, 30));
        QCOMPARE(saved.controls[0].size, QSize(1058, 1000));
        QCOMPARE(saved.controls[1].properties.readString(u"Text", {}).value,
                 QStringLiteral("typed"));
        QCOMPARE(saved.notes, QStringList{QStringLiteral("A window of two controls.")});
    }

    void buildFaults_data() {
        QTest::addColumn<QString>("control");
        QTest::addColumn<QString>("error");
        QTest::newRow("unknown kind") << "control a sknDial\n    container f\n    position 0 0\n"
                                         "    extent 15 15\nend\n"
                                      << "f.form: a: unknown kind \"sknDial\"";
        QTest::newRow("skinned control with a size")
            << "control a sknButton\n    container f\n    position 0 0\n    size 15 15\nend\n"
            << "f.form: a: a sknButton is sized by an \"extent\"";
        QTest::newRow("text box value of the wrong type")
            << "control a TextBox\n    container f\n    position 0 0\n    size 15 15\n"
               "    Locked Font \"Arial,8\"\nend\n"
            << "f.form: a: \"Locked\": Type mismatch";
        QTest::newRow("own text box of the wrong kind")
            << "control own TextBox\n    container f\n    position 0 0\n    size 15 15\n"
               "    MultiLine Boolean True\nend\n"
            << "f.form: own: the window's own text box is not a multi-line box";
    }
    void buildFaults() {
        QFETCH(QString, control);
        QFETCH(QString, error);
        const std::optional<FormDescription> description =
            readFormDescription(QStringLiteral("form f\n    client 15 15\nend\n") + control);
        QVERIFY(description);
        QWidget form;
        QLineEdit own;
        try {
            FormControls controls(&form, *description, {{QStringLiteral("own"), &own}});
            QFAIL("no fault found");
        } catch (const FormError& e) {
            QCOMPARE(QString::fromStdString(e.what()), error);
        }
    }

    // A stored value a button cannot load costs that value only: it takes
    // its default and is reported, and the window is built with the rest.
    void badButtonValuesAreReported() {
        const std::optional<FormDescription> description = readFormDescription(
            QStringLiteral("form f\n    client 15 15\nend\ncontrol a sknButton\n    container f\n"
                           "    position 0 0\n    extent 15 15\n    PICPOS Long 9\n    FX Long 7\n"
                           "    TX String \"Go\"\nend\n"));
        QVERIFY(description);
        std::vector<ControlFailure> reports;
        const ControlFailureHandler previous =
            setControlFailureHandler([&](const ControlFailure& f) { reports.push_back(f); });
        QWidget form;
        FormControls controls(&form, *description, {});
        setControlFailureHandler(previous);
        QCOMPARE(reports.size(), size_t(2));
        QCOMPARE(reports[0].module, QStringLiteral("sknButton"));
        QCOMPARE(reports[0].number, 380);
        const auto* button = form.findChild<sknButton*>(QStringLiteral("a"));
        QVERIFY(button);
        QCOMPARE(button->PicturePosition(), 0);
        QCOMPARE(button->SpecialEffect(), 0);
        QCOMPARE(button->Caption(), QStringLiteral("Go"));
    }

private:
    std::unique_ptr<zephral::test::TestServices> env;
};

QTEST_MAIN(tst_forms)
#include "tst_forms.moc"
