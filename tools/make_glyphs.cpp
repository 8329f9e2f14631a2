// Draws the handset's button glyphs, LED pictures, hand cursor and the two pictures that come with the
// program ("general.bmp", "sandblst.bmp") into a folder. Run by hand when a picture changes; its output is
// kept in resources/ and compiled into the program.
#include <QColor>
#include <QConicalGradient>
#include <QDir>
#include <QGuiApplication>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>
#include <algorithm>
#include <cstdio>
#include <functional>
#include <random>

namespace {

using TShape = std::function<QPainterPath()>;

QString OutDir;

void Save(const QImage& Image, const QString& Name) {
    const QString Path = OutDir + "/" + Name;
    if (!Image.save(Path)) std::fprintf(stderr, "cannot write %s\n", qPrintable(Path));
}

QPainterPath Triangle(QPointF A, QPointF B, QPointF C) {
    QPainterPath Path;
    Path.moveTo(A);
    Path.lineTo(B);
    Path.lineTo(C);
    Path.closeSubpath();
    return Path;
}

QPainterPath Box(qreal X, qreal Y, qreal W, qreal H) {
    QPainterPath Path;
    Path.addRect(X, Y, W, H);
    return Path;
}

QPainterPath RightArrow(qreal X, qreal W) {
    return Triangle({X, 3}, {X + W, 8}, {X, 13});
}
QPainterPath LeftArrow(qreal X, qreal W) {
    return Triangle({X + W, 3}, {X, 8}, {X + W, 13});
}

// The transport symbols on a 16 x 16 grid.
QPainterPath Symbol(const QString& Stem) {
    if (Stem == "Play") return RightArrow(4.5, 8);
    if (Stem == "Stop") return Box(3.5, 3.5, 9, 9);
    if (Stem == "Pause") return Box(3.5, 3.5, 3, 9).united(Box(9.5, 3.5, 3, 9));
    if (Stem == "Eject") return Triangle({8, 2.5}, {13.5, 8.5}, {2.5, 8.5}).united(Box(2.5, 10.5, 11, 3));
    if (Stem == "Close") return Box(2.5, 2.5, 11, 3).united(Triangle({2.5, 7.5}, {13.5, 7.5}, {8, 13.5}));
    if (Stem == "Last") return Box(2.5, 3, 2.5, 10).united(LeftArrow(5.5, 8));
    if (Stem == "Next") return RightArrow(2.5, 8).united(Box(11, 3, 2.5, 10));
    if (Stem == "Rew") return LeftArrow(0.5, 7).united(LeftArrow(7.5, 7));
    if (Stem == "FF") return RightArrow(1.5, 7).united(RightArrow(8.5, 7));
    if (Stem == "Start") return Box(3, 3, 2.5, 10).united(RightArrow(7, 7));
    return {};
}

QColor SymbolColour(const QString& Stem) {
    if (Stem == "Play" || Stem == "Start") return QColor(0x1f, 0xa8, 0x2e);
    if (Stem == "Stop") return QColor(0xd8, 0x24, 0x1c);
    if (Stem == "Pause") return QColor(0xf0, 0xa0, 0x10);
    if (Stem == "Eject" || Stem == "Close") return QColor(0x24, 0x5c, 0xd0);
    return QColor(0x10, 0x80, 0xa8);
}

void DrawShape(QPainter& P, const QPainterPath& Path, QColor Fill, QColor Outline) {
    P.setPen(QPen(Outline, 1.0));
    P.setBrush(Fill);
    P.drawPath(Path);
}

// The normal image on the left half, the disabled one (grey, with a white shadow as embossed) on the right.
QImage GlyphPair(const std::function<void(QPainter&, bool Disabled)>& Draw) {
    QImage Image(32, 16, QImage::Format_ARGB32);
    Image.fill(Qt::transparent);
    QPainter P(&Image);
    P.setRenderHint(QPainter::Antialiasing);
    Draw(P, false);
    P.translate(16, 0);
    Draw(P, true);
    return Image;
}

QImage TransportGlyph(const QString& Stem, bool Colour) {
    const QPainterPath Path = Symbol(Stem);
    return GlyphPair([&](QPainter& P, bool Disabled) {
        if (Disabled) {
            P.save();
            P.translate(1, 1);
            DrawShape(P, Path, Qt::white, Qt::white);
            P.restore();
            DrawShape(P, Path, QColor(0x90, 0x90, 0x90), QColor(0x80, 0x80, 0x80));
        } else if (Colour) {
            const QColor Fill = SymbolColour(Stem);
            QLinearGradient Shade(0, 2, 0, 14);
            Shade.setColorAt(0, Fill.lighter(150));
            Shade.setColorAt(1, Fill.darker(115));
            P.setPen(QPen(Fill.darker(200), 1.0));
            P.setBrush(Shade);
            P.drawPath(Path);
        } else {
            DrawShape(P, Path, Qt::black, Qt::black);
        }
    });
}

QImage LedGlyph(bool On) {
    return GlyphPair([&](QPainter& P, bool Disabled) {
        const QColor Lit = Disabled ? QColor(0xa0, 0xa0, 0xa0)
                           : On     ? QColor(0x30, 0xff, 0x40)
                                    : QColor(0x1c, 0x50, 0x20);
        QRadialGradient Glow(QPointF(6.5, 6.5), 7);
        Glow.setColorAt(0, On && !Disabled ? Qt::white : Lit.lighter(160));
        Glow.setColorAt(0.45, Lit);
        Glow.setColorAt(1, Lit.darker(170));
        P.setPen(QPen(QColor(0x30, 0x30, 0x30), 1.0));
        P.setBrush(Glow);
        P.drawEllipse(QPointF(8, 8), 5.5, 5.5);
    });
}

// Glyphs of the four buttons that open the catalogue and sample windows.
QImage WindowGlyph(const QString& Name) {
    return GlyphPair([&](QPainter& P, bool Disabled) {
        const QColor Ink = Disabled ? QColor(0x90, 0x90, 0x90) : QColor(0x20, 0x20, 0x20);
        const QColor Paper = Disabled ? QColor(0xd8, 0xd8, 0xd8) : QColor(0xff, 0xfb, 0xe8);
        const QColor Accent = Disabled ? QColor(0xa0, 0xa0, 0xa0) : QColor(0x24, 0x5c, 0xd0);
        P.setPen(QPen(Ink, 1.0));
        if (Name == "Data") {
            P.setBrush(Paper);
            P.drawRect(QRectF(2.5, 1.5, 11, 13));
            P.setPen(QPen(Accent, 1.0));
            for (int Y = 4; Y <= 12; Y += 3)
                P.drawLine(QPointF(4.5, Y + 0.5), QPointF(11.5, Y + 0.5));
        } else if (Name == "Browse") {
            for (int I = 0; I < 3; ++I) {
                P.setBrush(I == 2 ? Accent : Paper);
                P.drawRect(QRectF(1.5 + I * 2, 1.5 + I * 2, 10, 10));
            }
        } else if (Name == "Sample") {
            P.setBrush(Disabled ? QColor(0xa0, 0xa0, 0xa0) : QColor(0xd8, 0x24, 0x1c));
            P.drawEllipse(QPointF(8, 8), 5.5, 5.5);
            P.setBrush(Paper);
            P.drawEllipse(QPointF(8, 8), 1.5, 1.5);
        } else { // PlaySamp: a loudspeaker
            QPainterPath Speaker;
            Speaker.moveTo(2.5, 6);
            Speaker.lineTo(5.5, 6);
            Speaker.lineTo(9.5, 2.5);
            Speaker.lineTo(9.5, 13.5);
            Speaker.lineTo(5.5, 10);
            Speaker.lineTo(2.5, 10);
            Speaker.closeSubpath();
            P.setBrush(Accent);
            P.drawPath(Speaker);
            P.setBrush(Qt::NoBrush);
            P.drawArc(QRectF(8, 5, 5, 6), -60 * 16, 120 * 16);
            P.drawArc(QRectF(8, 3, 7.5, 10), -60 * 16, 120 * 16);
        }
    });
}

// A pointing hand, index finger up; its hot spot is the fingertip at (10, 1).
QImage PointHand() {
    QImage Image(32, 32, QImage::Format_ARGB32);
    Image.fill(Qt::transparent);
    QPainter P(&Image);
    P.setRenderHint(QPainter::Antialiasing);
    QPainterPath Hand;
    Hand.addRoundedRect(QRectF(8, 0.5, 5, 17), 2.5, 2.5);    // index finger
    Hand.addRoundedRect(QRectF(12.5, 9, 4.5, 9), 2.2, 2.2);  // middle finger
    Hand.addRoundedRect(QRectF(16.5, 10, 4.5, 9), 2.2, 2.2); // ring finger
    Hand.addRoundedRect(QRectF(20.5, 11.5, 4, 8), 2, 2);     // little finger
    Hand.addRoundedRect(QRectF(8, 14, 16.5, 13), 4, 4);      // palm
    QPainterPath Thumb;
    Thumb.moveTo(9, 25);
    Thumb.lineTo(3.5, 18.5);
    Thumb.cubicTo(2, 16.5, 4.5, 14, 6.5, 15.5);
    Thumb.lineTo(10, 19);
    Thumb.closeSubpath();
    Hand = Hand.united(Thumb).simplified();
    P.setPen(QPen(Qt::black, 1.2));
    P.setBrush(Qt::white);
    P.drawPath(Hand);
    P.setPen(QPen(QColor(0x60, 0x60, 0x60), 0.8));
    P.drawLine(QPointF(12.7, 14), QPointF(12.7, 17.5));
    P.drawLine(QPointF(16.7, 15), QPointF(16.7, 18.5));
    P.drawLine(QPointF(20.7, 16), QPointF(20.7, 19.5));
    return Image;
}

// The picture shown in the track strip for a disc without a picture of its own: a compact disc.
QImage GeneralPicture() {
    QImage Image(100, 88, QImage::Format_RGB32);
    QPainter P(&Image);
    P.setRenderHint(QPainter::Antialiasing);
    QLinearGradient Back(0, 0, 0, 88);
    Back.setColorAt(0, QColor(0x1a, 0x24, 0x48));
    Back.setColorAt(1, QColor(0x06, 0x08, 0x14));
    P.fillRect(Image.rect(), Back);
    const QPointF Centre(50, 44);
    QConicalGradient Sheen(Centre, 30);
    const QColor Stops[] = {QColor(0xd8, 0xd8, 0xe0), QColor(0xff, 0xc8, 0x90), QColor(0xc8, 0xf0, 0xff),
                            QColor(0xe8, 0xb0, 0xff), QColor(0xd8, 0xd8, 0xe0), QColor(0xb0, 0xff, 0xc8),
                            QColor(0xff, 0xf0, 0xa0), QColor(0xd8, 0xd8, 0xe0)};
    for (int I = 0; I < 8; ++I)
        Sheen.setColorAt(I / 7.0, Stops[I]);
    P.setPen(QPen(QColor(0x70, 0x70, 0x80), 1.0));
    P.setBrush(Sheen);
    P.drawEllipse(Centre, 38, 38);
    P.setBrush(QColor(0xe8, 0xe8, 0xf0));
    P.drawEllipse(Centre, 12, 12);
    P.setBrush(QColor(0x10, 0x14, 0x28));
    P.drawEllipse(Centre, 4.5, 4.5);
    P.setPen(QPen(QColor(255, 255, 255, 90), 1.0));
    P.setBrush(Qt::NoBrush);
    for (qreal R = 17; R < 37; R += 4)
        P.drawEllipse(Centre, R, R);
    return Image;
}

// The default handset background: a fine sand-blasted grey, seamless when tiled.
QImage SandblastPicture() {
    QImage Image(64, 64, QImage::Format_RGB32);
    std::mt19937 Random(1996);
    std::normal_distribution<double> Grain(0, 6.5);
    for (int Y = 0; Y < Image.height(); ++Y) {
        for (int X = 0; X < Image.width(); ++X) {
            const int V = std::clamp(static_cast<int>(198 + Grain(Random)), 0, 255);
            Image.setPixel(X, Y, qRgb(V, V - 2, V - 8));
        }
    }
    return Image;
}

} // namespace

int main(int argc, char* argv[]) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication App(argc, argv);
    OutDir = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral(".");
    QDir().mkpath(OutDir);
    const char* Stems[] = {"Play", "Stop", "Pause", "Eject", "Close", "Last", "Next", "Rew", "FF", "Start"};
    for (const char* Stem : Stems) {
        Save(TransportGlyph(Stem, true), QString(Stem) + "Color.png");
        Save(TransportGlyph(Stem, false), QString(Stem) + "Mono.png");
    }
    Save(LedGlyph(true), "LEDON.png");
    Save(LedGlyph(false), "LEDOFF.png");
    for (const char* Name : {"Data", "Browse", "Sample", "PlaySamp"})
        Save(WindowGlyph(Name), QString(Name) + "Glyph.png");
    Save(PointHand(), "PointHand.png");
    Save(GeneralPicture(), "general.bmp");
    Save(SandblastPicture(), "sandblst.bmp");
    return 0;
}
