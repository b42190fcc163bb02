#include "app/toolbar_icons.h"

#include <algorithm>
#include <array>
#include <string_view>

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <QPolygon>

#include "app/frame_commands.h"

namespace kq505 {
namespace {

constexpr int kWidth = 16;
constexpr int kHeight = 15;

const QColor kInk(0, 0, 0);
const QColor kPaper(255, 255, 255);
const QColor kFolder(230, 190, 60);
const QColor kDisk(40, 60, 150);
const QColor kMetal(170, 170, 170);
const QColor kGo(20, 140, 40);
const QColor kHelp(30, 90, 200);
const QColor kSelection(50, 100, 210);

void Page(QPainter& p) {
    p.setPen(kInk);
    p.setBrush(kPaper);
    p.drawPolygon(QPolygon({{3, 0}, {10, 0}, {13, 3}, {13, 14}, {3, 14}}));
    p.drawPolyline(QPolygon({{10, 0}, {10, 3}, {13, 3}}));
}

void Folder(QPainter& p) {
    p.setPen(kInk);
    p.setBrush(kFolder);
    p.drawPolygon(QPolygon({{0, 3}, {5, 3}, {6, 4}, {13, 4}, {13, 13}, {0, 13}}));
    p.setBrush(kFolder.lighter(125));
    p.drawPolygon(QPolygon({{2, 7}, {15, 7}, {13, 13}, {0, 13}}));
}

void Disk(QPainter& p, int x, int y, int size) {
    p.setPen(kInk);
    p.setBrush(kDisk);
    p.drawRect(x, y, size, size);
    p.setBrush(kPaper);
    p.drawRect(x + 3, y, size - 6, size / 2 - 1);
    p.setBrush(kMetal);
    p.drawRect(x + 3, y + size - 4, size - 6, 4);
}

void Arrow(QPainter& p, int y) {
    p.setPen(kGo.darker(150));
    p.setBrush(kGo);
    p.drawPolygon(QPolygon(
        {{6, y - 1}, {11, y - 1}, {11, y - 3}, {15, y}, {11, y + 3}, {11, y + 1}, {6, y + 1}}));
}

// An eighth note on the page: the file that plays the set-up in any sequencer.
void NotePage(QPainter& p) {
    Page(p);
    p.setPen(kInk);
    p.setBrush(kInk);
    p.drawEllipse(5, 9, 3, 2);
    p.drawLine(8, 4, 8, 10);
    p.drawLine(8, 4, 11, 6);
    p.drawLine(11, 6, 11, 7);
}

// The icons' letters, drawn pixel by pixel: they look the same on every desktop, whatever
// fonts it has, and no font has to be loaded for them before the window's first paint.
struct Glyph {
    char letter;
    std::array<std::string_view, 7> rows;
};

constexpr std::array<Glyph, 11> kGlyphs{{
    {'A', {".###.", "#...#", "#...#", "#####", "#...#", "#...#", "#...#"}},
    {'B', {"####.", "#...#", "#...#", "####.", "#...#", "#...#", "####."}},
    {'X', {"#...#", "#...#", ".#.#.", "..#..", ".#.#.", "#...#", "#...#"}},
    {'G', {".###.", "#...#", "#....", "#.###", "#...#", "#...#", ".###."}},
    {'M', {"#...#", "##.##", "#.#.#", "#.#.#", "#...#", "#...#", "#...#"}},
    {'K', {"#...#", "#..#.", "#.#..", "##...", "#.#..", "#..#.", "#...#"}},
    {'Q', {".###.", "#...#", "#...#", "#...#", "#.#.#", "#..#.", ".##.#"}},
    {'5', {"#####", "#....", "####.", "....#", "....#", "#...#", ".###."}},
    {'0', {".###.", "#...#", "#..##", "#.#.#", "##..#", "#...#", ".###."}},
    {'?', {".###.", "#...#", "....#", "...#.", "..#..", ".....", "..#.."}},
    {'i', {".#.", "...", "##.", ".#.", ".#.", ".#.", "###"}},
}};

const Glyph& GlyphOf(char letter) {
    const auto found = std::ranges::find(kGlyphs, letter, &Glyph::letter);
    return found != kGlyphs.end() ? *found : kGlyphs.back();
}

// Bold letters are drawn twice, the second time a pixel further right.
int GlyphWidth(char letter, bool bold) {
    return static_cast<int>(GlyphOf(letter).rows[0].size()) + (bold ? 1 : 0);
}

// The text centred in the box, letters a pixel apart.
void PixelText(QPainter& p, const QRect& box, std::string_view text, const QColor& colour,
               bool bold) {
    int width = static_cast<int>(text.size()) - 1;
    for (const char letter : text)
        width += GlyphWidth(letter, bold);
    int x = box.x() + (box.width() - width) / 2;
    const int top = box.y() + (box.height() - 7) / 2;
    for (const char letter : text) {
        const Glyph& glyph = GlyphOf(letter);
        for (int row = 0; row < 7; ++row) {
            for (std::size_t column = 0; column < glyph.rows[row].size(); ++column) {
                if (glyph.rows[row][column] != '#') continue;
                p.fillRect(x + static_cast<int>(column), top + row, bold ? 2 : 1, 1, colour);
            }
        }
        x += GlyphWidth(letter, bold) + 1;
    }
}

void Lettering(QPainter& p, std::string_view text, const QColor& colour) {
    p.setPen(kInk);
    p.setBrush(colour);
    p.drawRect(0, 1, kWidth - 1, kHeight - 3);
    PixelText(p, QRect(1, 2, kWidth - 2, kHeight - 4), text, kPaper, false);
}

void Keyboard(QPainter& p) {
    p.setPen(kInk);
    p.setBrush(kPaper);
    p.drawRect(0, 2, 15, 11);
    for (int x = 3; x < 15; x += 3)
        p.drawLine(x, 8, x, 13);
    p.setBrush(kInk);
    for (const int x : {2, 5, 11})
        p.drawRect(x, 2, 2, 6);
}

void Knob(QPainter& p) {
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(kInk);
    p.setBrush(kMetal);
    p.drawEllipse(QRectF(1.5, 1, 12, 12));
    p.setPen(QPen(kInk, 2));
    p.drawLine(QPointF(7.5, 7), QPointF(3.5, 3.5));
}

// A snare drum: its shell, the head on top and a stick across.
void DrumIcon(QPainter& p) {
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(kInk);
    p.setBrush(QColor(190, 40, 40));
    QPainterPath shell;
    shell.moveTo(1.5, 6.5);
    shell.lineTo(1.5, 11);
    shell.arcTo(QRectF(1.5, 8.5, 13, 5), 180, 180);
    shell.lineTo(14.5, 6.5);
    shell.closeSubpath();
    p.drawPath(shell);
    p.setBrush(kPaper);
    p.drawEllipse(QRectF(1.5, 4, 13, 5));
    p.setPen(QPen(QColor(150, 100, 40), 1.5));
    p.drawLine(QPointF(4, 0.5), QPointF(10, 5.5));
}

// A keyboard split in two layers: the A layer's keys blue, the B layer's orange.
void SplitKeys(QPainter& p) {
    p.setPen(kInk);
    p.fillRect(0, 2, 8, 12, QColor(90, 140, 220));
    p.fillRect(8, 2, 8, 12, QColor(240, 160, 60));
    p.drawRect(0, 2, 15, 11);
    for (const int x : {4, 12})
        p.drawLine(x, 3, x, 12);
    p.setPen(QPen(QColor(190, 40, 40), 2));
    p.drawLine(8, 0, 8, 15);
}

void ProgramList(QPainter& p) {
    p.setPen(kInk);
    p.setBrush(kPaper);
    p.drawRect(0, 0, 15, 14);
    p.drawLine(3, 3, 12, 3);
    p.drawLine(3, 11, 12, 11);
    p.fillRect(1, 5, 14, 3, kSelection);
    p.setPen(kPaper);
    p.drawLine(3, 6, 12, 6);
}

void SendAll(QPainter& p) {
    for (const int y : {2, 7, 12}) {
        p.setPen(kInk);
        p.drawLine(0, y, 5, y);
        Arrow(p, y);
    }
}

// Sixteen short strokes, one per part, each with its arrow.
void SendAllParts(QPainter& p) {
    p.setPen(kInk);
    for (int i = 0; i < 4; ++i) {
        for (int k = 0; k < 4; ++k)
            p.drawPoint(k * 2, 2 + i * 3);
    }
    for (const int y : {2, 11})
        Arrow(p, y);
}

void Sign(QPainter& p, std::string_view text, const QColor& colour) {
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(colour.darker(140));
    p.setBrush(colour);
    p.drawEllipse(QRectF(1, 0.5, 13, 13));
    PixelText(p, QRect(1, 0, 13, 14), text, kPaper, true);
}

void Draw(QPainter& p, int command_id) {
    switch (command_id) {
        case kIdFileNew:
            return Page(p);
        case kIdFileOpen:
            return Folder(p);
        case kIdFileSave:
            return Disk(p, 1, 1, 13);
        case kIdFileSaveAs:
            Disk(p, 0, 0, 11);
            p.setPen(QPen(QColor(200, 40, 40), 2));
            p.drawLine(8, 14, 15, 7);
            return;
        case kIdExportVardel:
            Page(p);
            return Arrow(p, 9);
        case kIdExportSmf:
            return NotePage(p);
        case kIdProgramChange:
            return ProgramList(p);
        case kIdEffectEdit:
            return Knob(p);
        case kIdDrumSetup:
            return DrumIcon(p);
        case kIdPartDetail:
            return SplitKeys(p);
        case kIdSoftKeyboard:
            return Keyboard(p);
        case kIdXgSystemOn:
            return Lettering(p, "XG", QColor(190, 40, 40));
        case kIdGmSystemOn:
            return Lettering(p, "GM", QColor(60, 60, 60));
        case kIdSendAll:
            return SendAll(p);
        case kIdSendAllParts:
            return SendAllParts(p);
        case kIdCompare:  // the edit and the stored sound, A against B
            return Lettering(p, "AB", kFolder.darker(150));
        case kIdHelp:
            return Sign(p, "?", kHelp);
        case kIdAppAbout:
            return Sign(p, "i", kGo);
        default:
            return;
    }
}

bool HasImage(int command_id) {
    return command_id != 0 &&
           std::ranges::find(ToolbarLayout(), command_id) != ToolbarLayout().end();
}

}  // namespace

QIcon ToolbarIcon(int command_id) {
    if (!HasImage(command_id)) return {};
    QPixmap image(kWidth, kHeight);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    Draw(painter, command_id);
    return QIcon(image);
}

QIcon AppIcon() {
    QPixmap image(32, 32);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setPen(kInk);
    p.setBrush(kPaper);
    p.drawRect(1, 12, 29, 18);
    for (int x = 6; x < 30; x += 5)
        p.drawLine(x, 22, x, 30);
    p.setBrush(kInk);
    for (const int x : {4, 9, 19, 24})
        p.drawRect(x, 12, 3, 10);
    PixelText(p, QRect(0, 2, 32, 9), "KQ505", kSelection, false);
    return QIcon(image);
}

}  // namespace kq505
