#include "render/ContactSheet.h"

#include "render/RenderTool.h"

#include <QFontMetrics>
#include <QPainter>
#include <QProcess>
#include <algorithm>
#include <vector>

namespace zephral {

namespace {

constexpr int kMargin = 10;
constexpr int kGap = 6;
constexpr int kCheck = 4;
constexpr QRgb kInk = 0xFF202020u;
constexpr QRgb kDim = 0xFF606060u;

struct SheetRow {
    enum class Kind { Title, Columns, Cells };
    Kind kind = Kind::Cells;
    QString text;
    QStringList columns;
    std::vector<QImage> cells;
};

QFont labelFont(bool bold) {
    QFont f(QStringLiteral("DejaVu Sans"));
    f.setPixelSize(bold ? 15 : 11);
    f.setBold(bold);
    return f;
}

void chequer(QPainter& p, const QRect& r) {
    p.fillRect(r, QColor(0xFF, 0xFF, 0xFF));
    for (int y = r.top(); y <= r.bottom(); y += kCheck) {
        for (int x = r.left() + ((y - r.top()) / kCheck % 2) * kCheck; x <= r.right();
             x += 2 * kCheck) {
            p.fillRect(QRect(x, y, kCheck, kCheck).intersected(r), QColor(0xCC, 0xCC, 0xCC));
        }
    }
}

} // namespace

QImage renderSheet(const ControlRegistry& registry, QTextStream& description, QString& error) {
    std::vector<SheetRow> rows;
    int lineNumber = 0;
    while (!description.atEnd()) {
        const QString line = description.readLine().trimmed();
        ++lineNumber;
        if (line.isEmpty() || line.startsWith(u'#')) {
            continue;
        }
        const qsizetype space = line.indexOf(u' ');
        const QString keyword = line.left(space < 0 ? line.size() : space);
        const QString rest = space < 0 ? QString() : line.mid(space + 1).trimmed();
        auto fail = [&](const QString& why) {
            error = QStringLiteral("line %1: %2").arg(lineNumber).arg(why);
            return QImage();
        };
        if (keyword == QLatin1String("title")) {
            rows.push_back({SheetRow::Kind::Title, rest, {}, {}});
        } else if (keyword == QLatin1String("columns")) {
            QStringList columns = rest.split(u'|');
            for (QString& c : columns) {
                c = c.trimmed();
            }
            rows.push_back({SheetRow::Kind::Columns, {}, columns, {}});
        } else if (keyword == QLatin1String("row")) {
            rows.push_back({SheetRow::Kind::Cells, rest, {}, {}});
        } else if (keyword == QLatin1String("cell")) {
            if (rows.empty() || rows.back().kind != SheetRow::Kind::Cells) {
                return fail(QStringLiteral("a cell needs a row before it"));
            }
            QStringList args = QProcess::splitCommand(rest);
            if (args.size() < 2) {
                return fail(QStringLiteral("expected cell CONTROL WIDTHxHEIGHT ..."));
            }
            args.insert(2, QStringLiteral("-"));
            QString why;
            const std::optional<RenderRequest> request = parseRenderArguments(args, why);
            QImage image;
            if (request) {
                image = renderControl(registry, *request, why);
            }
            if (image.isNull()) {
                return fail(why);
            }
            rows.back().cells.push_back(image);
        } else {
            return fail(
                QStringLiteral("unknown item \"%1\" (title, columns, row or cell)").arg(keyword));
        }
    }
    if (rows.empty()) {
        error = QStringLiteral("the sheet describes nothing");
        return {};
    }

    // Measure: the label column, each column's width, each row's height.
    const QFont small = labelFont(false);
    const QFont big = labelFont(true);
    const QFontMetrics fm(small);
    const QFontMetrics bigFm(big);
    int labelWidth = 0;
    std::vector<int> columnWidth;
    auto widen = [&columnWidth](size_t i, int w) {
        if (columnWidth.size() <= i) {
            columnWidth.resize(i + 1, 0);
        }
        columnWidth[i] = std::max(columnWidth[i], w);
    };
    for (const SheetRow& row : rows) {
        if (row.kind == SheetRow::Kind::Cells) {
            labelWidth = std::max(labelWidth, fm.horizontalAdvance(row.text));
            for (size_t i = 0; i < row.cells.size(); ++i) {
                widen(i, row.cells[i].width());
            }
        } else if (row.kind == SheetRow::Kind::Columns) {
            for (qsizetype i = 0; i < row.columns.size(); ++i) {
                widen(size_t(i), fm.horizontalAdvance(row.columns[i]));
            }
        }
    }
    if (labelWidth > 0) {
        labelWidth += kGap * 2;
    }
    auto heightOf = [&](const SheetRow& row) {
        switch (row.kind) {
        case SheetRow::Kind::Title:
            return bigFm.height() + 3 * kGap;
        case SheetRow::Kind::Columns:
            return fm.height() + kGap;
        case SheetRow::Kind::Cells:
            break;
        }
        int h = fm.height();
        for (const QImage& cell : row.cells) {
            h = std::max(h, cell.height());
        }
        return h + kGap;
    };
    int width = labelWidth;
    for (int w : columnWidth) {
        width += w + kGap;
    }
    int height = 0;
    for (const SheetRow& row : rows) {
        height += heightOf(row);
        if (row.kind == SheetRow::Kind::Title) {
            width = std::max(width, bigFm.horizontalAdvance(row.text));
        }
    }
    QImage sheet(width + 2 * kMargin, height + 2 * kMargin, QImage::Format_RGB32);
    sheet.fill(QColor(0xF4, 0xF4, 0xF4));

    QPainter p(&sheet);
    p.setRenderHint(QPainter::TextAntialiasing);
    int y = kMargin;
    for (const SheetRow& row : rows) {
        const int h = heightOf(row);
        switch (row.kind) {
        case SheetRow::Kind::Title:
            p.setFont(big);
            p.setPen(QColor::fromRgb(kInk));
            p.drawText(QPoint(kMargin, y + 2 * kGap + bigFm.ascent()), row.text);
            break;
        case SheetRow::Kind::Columns: {
            p.setFont(small);
            p.setPen(QColor::fromRgb(kDim));
            int x = kMargin + labelWidth;
            for (qsizetype i = 0; i < row.columns.size(); ++i) {
                p.drawText(QPoint(x, y + fm.ascent()), row.columns[i]);
                x += columnWidth[size_t(i)] + kGap;
            }
            break;
        }
        case SheetRow::Kind::Cells: {
            p.setFont(small);
            p.setPen(QColor::fromRgb(kInk));
            p.drawText(QPoint(kMargin, y + (h - kGap - fm.height()) / 2 + fm.ascent()), row.text);
            int x = kMargin + labelWidth;
            for (size_t i = 0; i < row.cells.size(); ++i) {
                const QImage& cell = row.cells[i];
                const QRect box(QPoint(x, y), cell.size());
                chequer(p, box);
                p.drawImage(box.topLeft(), cell);
                x += columnWidth[i] + kGap;
            }
            break;
        }
        }
        y += h;
    }
    return sheet;
}

} // namespace zephral
