#include "render/RenderTool.h"

#include "render/ContactSheet.h"

#include <QApplication>
#include <QFile>
#include <QImageWriter>
#include <QRegularExpression>
#include <memory>

namespace zephral {

namespace {

constexpr int kMaxSide = 16384;

QString quoted(const QString& text) {
    return u'"' + text + u'"';
}

} // namespace

QString renderUsage() {
    return QStringLiteral(
        "usage: zephral-render CONTROL WIDTHxHEIGHT OUT.png [NAME=VALUE ...] "
        "[--state up|down|disabled] [--hover] [--focus] [--default] [--frame N]\n"
        "       zephral-render --sheet OUT.png [FILE]   (many renders as one labelled "
        "sheet, described in FILE or on standard input)");
}

std::optional<RenderRequest> parseRenderArguments(const QStringList& args, QString& error) {
    RenderRequest request;
    QStringList positional;
    bool stateGiven = false;
    bool frameGiven = false;
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString& arg = args[i];
        if (arg.startsWith(QLatin1String("--"))) {
            QString option = arg;
            QString value;
            const bool takesValue =
                arg == QLatin1String("--state") || arg == QLatin1String("--frame");
            if (takesValue) {
                if (i + 1 >= args.size()) {
                    error = QStringLiteral("%1 needs a value").arg(arg);
                    return std::nullopt;
                }
                value = args[++i];
            }
            if (option == QLatin1String("--state")) {
                if (stateGiven) {
                    error = QStringLiteral("--state given twice");
                    return std::nullopt;
                }
                stateGiven = true;
                if (value == QLatin1String("up")) {
                    request.look.state = Look::State::Up;
                } else if (value == QLatin1String("down")) {
                    request.look.state = Look::State::Down;
                } else if (value == QLatin1String("disabled")) {
                    request.look.state = Look::State::Disabled;
                } else {
                    error = QStringLiteral("--state takes up, down or disabled, not %1")
                                .arg(quoted(value));
                    return std::nullopt;
                }
            } else if (option == QLatin1String("--frame")) {
                bool ok = false;
                request.look.frame = value.toInt(&ok);
                if (frameGiven || !ok || request.look.frame < 0) {
                    error = frameGiven ? QStringLiteral("--frame given twice")
                                       : QStringLiteral("--frame takes a number from 0, not %1")
                                             .arg(quoted(value));
                    return std::nullopt;
                }
                frameGiven = true;
            } else if (option == QLatin1String("--hover")) {
                request.look.hover = true;
            } else if (option == QLatin1String("--focus")) {
                request.look.focus = true;
            } else if (option == QLatin1String("--default")) {
                request.look.isDefault = true;
            } else {
                error = QStringLiteral("unknown option %1").arg(quoted(arg));
                return std::nullopt;
            }
        } else if (positional.size() < 3) {
            positional.append(arg);
        } else {
            const qsizetype eq = arg.indexOf(u'=');
            if (eq <= 0) {
                error = QStringLiteral("%1 is not NAME=VALUE").arg(quoted(arg));
                return std::nullopt;
            }
            request.values.append({arg.left(eq), arg.mid(eq + 1)});
        }
    }
    if (positional.size() < 3) {
        error = QStringLiteral("expected CONTROL WIDTHxHEIGHT OUT.png (see --help)");
        return std::nullopt;
    }
    request.control = positional[0];
    static const QRegularExpression kSize(QStringLiteral("^([0-9]{1,5})x([0-9]{1,5})$"));
    const QRegularExpressionMatch m = kSize.match(positional[1]);
    const int w = m.hasMatch() ? m.captured(1).toInt() : 0;
    const int h = m.hasMatch() ? m.captured(2).toInt() : 0;
    if (w < 1 || h < 1 || w > kMaxSide || h > kMaxSide) {
        error = QStringLiteral("bad size %1: expected WIDTHxHEIGHT, each 1 to %2")
                    .arg(quoted(positional[1]))
                    .arg(kMaxSide);
        return std::nullopt;
    }
    request.size = QSize(w, h);
    request.output = positional[2];
    return request;
}

QImage renderControl(const ControlRegistry& registry, const RenderRequest& request,
                     QString& error) {
    const ControlType* type = registry.find(request.control);
    if (type == nullptr) {
        const QStringList known = registry.names();
        error = QStringLiteral("unknown control %1 (%2)")
                    .arg(quoted(request.control),
                         known.isEmpty() ? QStringLiteral("none known")
                                         : QStringLiteral("known: ") + known.join(u", "));
        return {};
    }

    // The control sits in a window of its own, the way a form holds it.
    QWidget host;
    host.setWindowFlag(Qt::FramelessWindowHint);
    SkinnedControl* control = type->create(&host);
    control->pinDevicePixelRatio(1.0);
    control->setObjectName(type->className + u'1');
    AmbientProperties ambient;
    ambient.displayName = control->objectName();
    ambient.userMode = true;
    control->setAmbient(ambient);
    control->initProperties();

    for (const auto& [name, value] : request.values) {
        const PropertyRow* def = control->propertyTable().find(name);
        if (def == nullptr) {
            error = QStringLiteral("%1 has no property %2").arg(type->name, quoted(name));
            return {};
        }
        if (const ControlError e = control->writeProperty(name, value)) {
            error = QStringLiteral("bad value %1 for %2 (%3): %4")
                        .arg(quoted(value), def->name, kindName(def->kind), e.description);
            return {};
        }
    }

    control->move(0, 0);
    control->resize(request.size);
    host.resize(request.size);
    host.show();
    host.activateWindow();
    QApplication::processEvents();
    // Activating the window gives a control that takes the focus the focus;
    // it shows it only when asked to.
    if (!request.look.focus && control->hasFocus()) {
        control->clearFocus();
    }
    if (const ControlError e = control->applyLook(request.look)) {
        error = QStringLiteral("%1: %2").arg(type->name, e.description);
        return {};
    }
    QApplication::processEvents();

    const QSize size = control->size();
    QImage drawn(size, QImage::Format_ARGB32);
    drawn.fill(Qt::transparent);
    // The whole control, mask ignored: render() would put the top left of the
    // mask's bounding box at the target's origin, shifting every pixel of an
    // outline that does not start at (0, 0). The outline is applied below.
    control->render(&drawn, QPoint(), QRegion(), QWidget::DrawChildren | QWidget::IgnoreMask);

    // Opaque inside the outline, fully transparent outside.
    QImage out(size, QImage::Format_ARGB32);
    out.fill(0);
    for (const QRect& r : control->windowOutline().intersected(QRect(QPoint(), size))) {
        for (int y = r.top(); y <= r.bottom(); ++y) {
            const QRgb* src = reinterpret_cast<const QRgb*>(drawn.constScanLine(y));
            QRgb* dst = reinterpret_cast<QRgb*>(out.scanLine(y));
            for (int x = r.left(); x <= r.right(); ++x) {
                dst[x] = src[x] | 0xFF000000u;
            }
        }
    }
    return out;
}

namespace {

// --sheet OUT.png [FILE]: the description from FILE, or standard input.
QImage renderSheetFromArguments(const QStringList& args, const ControlRegistry& registry,
                                QString& output, QString& error) {
    if (args.isEmpty() || args.size() > 2) {
        error = QStringLiteral("expected --sheet OUT.png [FILE]");
        return {};
    }
    output = args[0];
    QFile file;
    if (args.size() == 2) {
        file.setFileName(args[1]);
        if (!file.open(QIODevice::ReadOnly | QIODevice::Text)) {
            error = QStringLiteral("cannot read %1: %2").arg(quoted(args[1]), file.errorString());
            return {};
        }
    } else if (!file.open(stdin, QIODevice::ReadOnly | QIODevice::Text)) {
        error = QStringLiteral("cannot read standard input");
        return {};
    }
    QTextStream description(&file);
    return renderSheet(registry, description, error);
}

} // namespace

int runRenderTool(const QStringList& args, const ControlRegistry& registry, QTextStream& out,
                  QTextStream& err) {
    if (args.size() == 1 &&
        (args[0] == QLatin1String("--help") || args[0] == QLatin1String("-h"))) {
        out << renderUsage() << "\ncontrols: " << registry.names().join(u", ") << '\n';
        out.flush();
        return 0;
    }
    QString error;
    QString output;
    QImage image;
    if (!args.isEmpty() && args[0] == QLatin1String("--sheet")) {
        image = renderSheetFromArguments(args.mid(1), registry, output, error);
    } else {
        const std::optional<RenderRequest> request = parseRenderArguments(args, error);
        if (request) {
            output = request->output;
            image = renderControl(registry, *request, error);
        }
    }
    if (image.isNull()) {
        err << "zephral-render: " << error << '\n';
        err.flush();
        return 2;
    }
    QImageWriter writer(output, "png");
    if (!writer.write(image)) {
        err << "zephral-render: cannot write " << quoted(output) << ": " << writer.errorString()
            << '\n';
        err.flush();
        return 1;
    }
    return 0;
}

} // namespace zephral
