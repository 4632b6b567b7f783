// How each of the four controls is set up, saved and loaded, from the rows
// of its property table: the keys in their order and types, a round trip of
// changed values through a bag read in another order, the defaults of a
// missing key, and what a value that cannot be loaded costs (reported or
// not, its default or the value it had, and never the rest).
#include "Controls.h"
#include "shared/ControlFailures.h"
#include "shared/ControlRegistry.h"
#include "shared/SkinnedControl.h"

#include <QSignalSpy>
#include <QWidget>
#include <gtest/gtest.h>
#include <memory>

using namespace zephral;

namespace {

using Values = std::vector<std::pair<QString, QString>>;

struct StorageCase {
    const char* control;
    // The keys a new instance saves, in order, with their stored types;
    // a control that saves only changes saves none of them.
    std::vector<std::pair<QString, PropertyType>> keys;
    bool savesOnlyChanges;
    Values changed;    // written by name, then saved, loaded and saved again
    Values afterEmpty; // loaded from an empty bag (properties as text)
    // Stored values that cannot be loaded, a good one after them, and what
    // the properties then are; reported: the failures reported.
    std::vector<std::pair<QString, PropertyValue>> bad;
    Values afterBad;
    int reported;
};

struct Recorder {
    std::vector<ControlFailure> records;
    ControlFailureHandler previous;
    Recorder() {
        previous =
            setControlFailureHandler([this](const ControlFailure& f) { records.push_back(f); });
    }
    ~Recorder() { setControlFailureHandler(previous); }
};

std::unique_ptr<QWidget> hostOf(const char* name, SkinnedControl*& control) {
    static ControlRegistry registry = [] {
        ControlRegistry r;
        registerControls(r);
        return r;
    }();
    auto host = std::make_unique<QWidget>();
    control = registry.find(QString::fromLatin1(name))->create(host.get());
    AmbientProperties ambient;
    ambient.displayName = QStringLiteral("ctl1");
    ambient.font = FontDesc{QStringLiteral("Arial"), 10};
    control->setAmbient(ambient);
    control->resize(80, 40);
    return host;
}

void expectValues(const SkinnedControl& control, const Values& values, const char* what) {
    for (const auto& [name, text] : values) {
        EXPECT_EQ(control.propertyText(name), text) << what << ": " << name.toStdString();
    }
}

using T = PropertyType;
const QString kArt = QStringLiteral(ZEPHRAL_ART_DIR "/cmdEET.png");

const StorageCase kCases[] = {
    {"sknButton",
     {{"BTYPE", T::Long},    {"TX", T::String},      {"ENAB", T::Boolean},  {"FONT", T::Font},
      {"COLTYPE", T::Long},  {"FOCUSR", T::Boolean}, {"BCOL", T::Long},     {"BCOLO", T::Long},
      {"FCOL", T::Long},     {"FCOLO", T::Long},     {"MCOL", T::Long},     {"MPTR", T::Integer},
      {"MICON", T::Picture}, {"PICN", T::Picture},   {"PICH", T::Picture},  {"UMCOL", T::Boolean},
      {"SOFT", T::Boolean},  {"PICPOS", T::Long},    {"NGREY", T::Boolean}, {"FX", T::Long},
      {"HAND", T::Boolean},  {"CHECK", T::Boolean},  {"VALUE", T::Boolean}},
     false,
     {{"ButtonType", "9"},
      {"Caption", "Encrypt && Encode Text"},
      {"Enabled", "False"},
      {"Font", "Arial,10,Italic"},
      {"ColorScheme", "2"},
      {"ShowFocusRect", "False"},
      {"BackColor", "13948116"},
      {"BackOver", "255"},
      {"ForeColor", "0x80000008"},
      {"ForeOver", "65280"},
      {"MaskColor", "16711935"},
      {"PictureNormal", kArt},
      {"PictureOver", kArt},
      {"UseMaskColor", "False"},
      {"SoftBevel", "True"},
      {"PicturePosition", "3"},
      {"UseGreyscale", "True"},
      {"SpecialEffect", "2"},
      {"HandPointer", "True"},
      {"CheckBoxBehaviour", "True"},
      {"Value", "True"}},
     // BCOLO and FCOLO default to what was just read for BCOL and FCOL.
     {{"ButtonType", "2"}, {"Caption", ""}, {"MaskColor", "12632256"}, {"MousePointer", "1"}},
     {{"PICPOS", qint32(9)},
      {"BCOL", qint32(255)},
      {"FX", qint32(-1)},
      {"BTYPE", QStringLiteral("nine")},
      {"TX", QStringLiteral("Still here")}},
     {{"PicturePosition", "0"},
      {"SpecialEffect", "0"},
      {"ButtonType", "2"},
      {"BackOver", "255"},
      {"Caption", "Still here"}},
     3},
    {"sknFrame3D",
     {{"BorderType", T::Long},
      {"BevelWidth", T::Long},
      {"BevelInner", T::Long},
      {"Caption3D", T::Long},
      {"CaptionAlignment", T::Long},
      {"CaptionLocation", T::Long},
      {"BackColor", T::Long},
      {"CornerDiameter", T::Long},
      {"FillColor", T::Long},
      {"FillStyle", T::Integer},
      {"DrawStyle", T::Integer},
      {"FloodPercent", T::Long},
      {"FloodShowPct", T::Boolean},
      {"FloodType", T::Long},
      {"FloodColor", T::Long},
      {"FillGradient", T::Long},
      {"MousePointer", T::Integer},
      {"MouseIcon", T::Picture},
      {"Picture", T::Picture},
      {"Border3DHighlight", T::Long},
      {"Border3DShadow", T::Long},
      {"Enabled", T::Boolean},
      {"CaptionMAlignment", T::Integer},
      {"Font", T::Font},
      {"FontBold", T::Boolean},
      {"FontItalic", T::Boolean},
      {"FontName", T::String},
      {"FontSize", T::Single},
      {"FontStrikethru", T::Boolean},
      {"FontUnderline", T::Boolean},
      {"ForeColor", T::Long},
      {"Caption", T::String},
      {"UseMnemonic", T::Boolean}},
     false,
     {{"BorderType", "8"},        {"BevelWidth", "5"},         {"BevelInner", "2"},
      {"Caption3D", "1"},         {"CaptionAlignment", "7"},   {"CaptionLocation", "1"},
      {"CornerRadius", "4"},      {"FillColor", "255"},        {"FillStyle", "0"},
      {"DrawStyle", "2"},         {"FloodPercent", "30"},      {"FloodType", "1"},
      {"FillGradient", "2"},      {"MousePointer", "2"},       {"Enabled", "False"},
      {"CaptionMAlignment", "2"}, {"FontName", "Arial"},       {"FontSize", "12"},
      {"FontBold", "True"},       {"FontItalic", "True"},      {"FontUnderline", "True"},
      {"FontStrikethru", "True"}, {"ForeColor", "0x80000008"}, {"Caption", "Hi"},
      {"UseMnemonic", "False"}},
     {{"BorderType", "1"},
      {"BevelWidth", "3"},
      {"CornerRadius", "7"},
      {"Border3DHighlight", "0x80000014"},
      {"Border3DShadow", "0x80000010"}},
     {{"BorderType", QStringLiteral("engraved")},
      {"BackColor", qint32(0x7F000000)},
      {"BevelWidth", qint32(1)},
      {"FloodPercent", qint32(150)},
      {"Caption", QStringLiteral("Still here")}},
     {{"BorderType", "1"}, {"BevelWidth", "3"}, {"FloodPercent", "100"}, {"Caption", "Still here"}},
     2},
    {"sknLine3D",
     {{"LineType", T::Long},
      {"3DHighlight", T::Long},
      {"3DShadow", T::Long},
      {"DrawStyle", T::Integer}},
     false,
     {{"LineTypes", "2"},
      {"Border3DHighlight", "255"},
      {"Border3DShadow", "65280"},
      {"DrawStyle", "1"}},
     {{"LineTypes", "1"}, {"Border3DHighlight", "0x80000014"}, {"Border3DShadow", "0x80000010"}},
     {{"LineType", QStringLiteral("flat")},
      {"3DHighlight", qint32(0x7F000000)},
      {"DrawStyle", qint16(9)},
      {"3DShadow", qint32(rgb(1, 2, 3))}},
     {{"LineTypes", "1"}, {"DrawStyle", "0"}, {"Border3DShadow", "197121"}},
     0},
    {"sknWorking",
     {{"BackColor", T::Long},
      {"ForeColor", T::Long},
      {"Enabled", T::Boolean},
      {"Font", T::Font},
      {"BackStyle", T::Integer},
      {"BorderStyle", T::Integer},
      {"Speed", T::Long}},
     true,
     {{"BackColor", "255"},
      {"ForeColor", "65280"},
      {"Enabled", "True"},
      {"Font", "Arial,12"},
      {"BackStyle", "1"},
      {"BorderStyle", "1"},
      {"Speed", "120"}},
     {{"Speed", "50"}, {"Enabled", "False"}, {"Font", "Arial,10"}},
     {{"BackColor", QStringLiteral("blue")}, {"Speed", qint32(70000)}, {"BorderStyle", qint16(1)}},
     {{"BackColor", "0"}, {"Speed", "50"}, {"BorderStyle", "1"}},
     0},
};

TEST(ControlStorage, EachControlFromItsRows) {
    for (const StorageCase& c : kCases) {
        SCOPED_TRACE(c.control);
        Recorder recorder;
        SkinnedControl* a = nullptr;
        const auto hostA = hostOf(c.control, a);
        a->initProperties();
        PropertyBag fresh;
        a->writeProperties(fresh);
        if (c.savesOnlyChanges) {
            EXPECT_TRUE(fresh.isEmpty());
        } else {
            ASSERT_EQ(fresh.entries().size(), c.keys.size());
            for (size_t i = 0; i < c.keys.size(); ++i) {
                EXPECT_EQ(fresh.entries()[i].name, c.keys[i].first);
                EXPECT_EQ(typeOf(fresh.entries()[i].value), c.keys[i].second)
                    << c.keys[i].first.toStdString();
            }
        }

        QSignalSpy announced(a, &SkinnedControl::propertyChanged);
        for (const auto& [name, text] : c.changed) {
            ASSERT_FALSE(a->writeProperty(name, text)) << name.toStdString();
        }
        EXPECT_GE(announced.size(), qsizetype(c.changed.size()));
        PropertyBag saved;
        a->writeProperties(saved);
        ASSERT_EQ(saved.entries().size(), c.keys.size());
        PropertyBag reversed;
        for (auto it = saved.entries().rbegin(); it != saved.entries().rend(); ++it) {
            reversed.write(it->name.toLower(), it->value);
        }
        SkinnedControl* b = nullptr;
        const auto hostB = hostOf(c.control, b);
        QSignalSpy loadAnnounced(b, &SkinnedControl::propertyChanged);
        b->readProperties(reversed);
        EXPECT_EQ(loadAnnounced.size(), 0) << "a load changes nothing the container keeps";
        expectValues(*b, c.changed, "round trip");
        PropertyBag again;
        b->writeProperties(again);
        for (size_t i = 0; i < saved.entries().size(); ++i) {
            EXPECT_EQ(again.entries()[i].name, saved.entries()[i].name);
            EXPECT_EQ(valueToText(again.entries()[i].value), valueToText(saved.entries()[i].value))
                << saved.entries()[i].name.toStdString();
        }
        EXPECT_TRUE(recorder.records.empty());

        SkinnedControl* e = nullptr;
        const auto hostE = hostOf(c.control, e);
        e->readProperties(PropertyBag());
        expectValues(*e, c.afterEmpty, "empty bag");

        SkinnedControl* d = nullptr;
        const auto hostD = hostOf(c.control, d);
        PropertyBag bad;
        for (const auto& [key, value] : c.bad) {
            bad.write(key, value);
        }
        d->readProperties(bad);
        expectValues(*d, c.afterBad, "bad values");
        ASSERT_EQ(int(recorder.records.size()), c.reported);
        for (const ControlFailure& f : recorder.records) {
            EXPECT_EQ(f.procedure, QStringLiteral("UserControl_ReadProperties"));
            EXPECT_TRUE(f.showMessage);
        }
    }
}

} // namespace
