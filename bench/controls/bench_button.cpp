// One full PaintButton of a 101 x 21 button with the 16 x 16 picture of the
// main window, in every style, up and hovered, beside Qt's own push button of
// the same size, caption and icon drawn by the Fusion style in the same run
// (the style's CE_PushButton into an image through a painter, as the push
// button's own paint does). Prints how many times faster the skinned button
// is: above 1 it is the faster of the two.
#include "button/sknButton.h"

#include <QApplication>
#include <QImage>
#include <QPainter>
#include <QPushButton>
#include <QStyle>
#include <QStyleFactory>
#include <QStyleOptionButton>
#include <benchmark/benchmark.h>
#include <cstdio>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace {

using zephral::sknButton;

const QString kCaption = QStringLiteral("Encrypt File  ");
const QString kPicture = QStringLiteral(ZEPHRAL_ART_DIR "/cmdEncryptFile.png");

std::unique_ptr<sknButton> mainWindowButton(int style, bool hovered) {
    auto b = std::make_unique<sknButton>();
    b->initProperties();
    b->writeProperty(u"ButtonType", QString::number(style));
    b->writeProperty(u"Caption", kCaption);
    b->writeProperty(u"ShowFocusRect", u"False");
    b->writeProperty(u"MaskColor", u"16711935");
    b->writeProperty(u"PictureNormal", kPicture);
    b->resize(101, 21);
    b->show();
    QApplication::processEvents();
    zephral::Look look;
    look.hover = hovered;
    b->applyLook(look);
    return b;
}

void skinned(benchmark::State& state, int style, bool hovered) {
    const auto b = mainWindowButton(style, hovered);
    for (auto _ : state) {
        b->PaintButton(zephral::PaintState::Up, true);
        benchmark::DoNotOptimize(b->surface().image().constBits());
    }
}

// The push button's own style option, as its paint event makes it.
class FusionButton : public QPushButton {
public:
    FusionButton() : QPushButton(kCaption) {
        setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
        setIcon(QIcon(QPixmap(kPicture)));
        setIconSize(QSize(16, 16));
        resize(101, 21);
    }
    QStyleOptionButton option(bool hovered) const {
        QStyleOptionButton o;
        initStyleOption(&o);
        if (hovered) {
            o.state |= QStyle::State_MouseOver;
        }
        return o;
    }
};

void fusion(benchmark::State& state, bool hovered) {
    FusionButton button;
    const QStyleOptionButton option = button.option(hovered);
    QImage image(button.size(), QImage::Format_RGB32);
    for (auto _ : state) {
        image.fill(Qt::white);
        QPainter p(&image);
        button.style()->drawControl(QStyle::CE_PushButton, &option, &p, &button);
        p.end();
        benchmark::DoNotOptimize(image.constBits());
    }
}

// The offscreen platform warns that it cannot shape windows; the table is
// what matters here.
void quiet(QtMsgType type, const QMessageLogContext&, const QString& message) {
    if (type == QtCriticalMsg || type == QtFatalMsg) {
        std::fprintf(stderr, "%s\n", qPrintable(message));
    }
}

struct Timing {
    std::string name;
    double ns = 0;
};

class CollectingReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs) {
            if (!run.error_occurred && run.run_type == Run::RT_Iteration) {
                timings.push_back({run.benchmark_name(), run.GetAdjustedRealTime()});
            }
        }
    }
    std::vector<Timing> timings;
};

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    qInstallMessageHandler(quiet);
    QApplication app(argc, argv);
    benchmark::RegisterBenchmark("button/fusion/up", fusion, false);
    benchmark::RegisterBenchmark("button/fusion/hovered", fusion, true);
    for (int style = 1; style <= 14; ++style) {
        for (bool hovered : {false, true}) {
            const std::string name =
                "button/skinned/style " + std::to_string(style) + (hovered ? " hovered" : " up");
            benchmark::RegisterBenchmark(name.c_str(), skinned, style, hovered);
        }
    }
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) {
        return 1;
    }
    CollectingReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();

    std::map<std::string, double> fusionNs;
    for (const Timing& t : reporter.timings) {
        if (t.name.rfind("button/fusion/", 0) == 0) {
            fusionNs[t.name.substr(14)] = t.ns;
        }
    }
    std::printf("\n%-26s %12s %12s %10s\n", "101 x 21, 16 x 16 picture", "skinned us", "Fusion us",
                "x Fusion");
    for (const Timing& t : reporter.timings) {
        if (t.name.rfind("button/skinned/", 0) != 0) {
            continue;
        }
        const std::string look = t.name.substr(15);
        const bool hovered = look.find("hovered") != std::string::npos;
        const auto base = fusionNs.find(hovered ? "hovered" : "up");
        if (base == fusionNs.end() || t.ns <= 0) {
            continue;
        }
        std::printf("%-26s %12.2f %12.2f %10.2f\n", look.c_str(), t.ns / 1000.0,
                    base->second / 1000.0, base->second / t.ns);
    }
    return 0;
}
