// The LED font against its segment table, the colon, and where Out puts the digits of a time.
#include <QTest>

#include "HandsetRig.h"
#include "player/ui/ImageControl.h"
#include "player/ui/LedDisplay.h"
#include "player/ui/LedFont.h"

namespace {

const QColor Back(0, 0, 0);
const QColor Ink(0, 255, 0);

// Pixels of each segment: the lines of the table, end points left out.
struct TLine {
    int X1, Y1, X2, Y2;
};
const std::vector<std::vector<TLine>> Segments = {
    {{1, 0, 8, 0}, {2, 1, 7, 1}},                 // top
    {{0, 2, 0, 8}, {1, 3, 1, 7}},                 // upper left
    {{9, 1, 9, 8}, {8, 2, 8, 7}},                 // upper right
    {{1, 9, 9, 9}, {2, 8, 8, 8}, {2, 10, 8, 10}}, // middle
    {{0, 11, 0, 17}, {1, 12, 1, 16}},             // lower left
    {{9, 11, 9, 18}, {8, 12, 8, 17}},             // lower right
    {{1, 18, 8, 18}, {2, 17, 7, 17}},             // bottom
};
// Segments per digit, as the letters t ul ur m ll lr b.
const char* const DigitSegments[10] = {"t ul ur ll lr b",   "ur lr",       "t ur m ll b",  "t ur m lr b",
                                       "ul ur m lr",        "t ul m lr b", "ul m ll lr b", "t ur lr",
                                       "t ul ur m ll lr b", "t ul ur m lr"};

QImage Expected(int Digit) {
    const QStringList Names = {"t", "ul", "ur", "m", "ll", "lr", "b"};
    QImage Image(DigitWidth, DigitHeight, QImage::Format_RGB32);
    Image.fill(Back);
    for (const QString& Name : QString::fromLatin1(DigitSegments[Digit]).split(' ')) {
        for (const TLine& L : Segments[static_cast<std::size_t>(Names.indexOf(Name))]) {
            for (int X = L.X1, Y = L.Y1; X < std::max(L.X2, L.X1 + 1) && Y < std::max(L.Y2, L.Y1 + 1);) {
                Image.setPixelColor(X, Y, Ink);
                if (L.X2 > L.X1)
                    ++X;
                else
                    ++Y;
            }
        }
    }
    return Image;
}

} // namespace

class TLedDisplayTest : public QObject {
    Q_OBJECT
private slots:
    void DigitsFollowTheSegmentTable() {
        for (int Digit = 0; Digit <= 9; ++Digit) {
            const QImage Drawn = DrawDigitImage(Digit, Back, Ink);
            QCOMPARE(Drawn.size(), QSize(10, 19));
            const QImage Wanted = Expected(Digit);
            for (int Y = 0; Y < 19; ++Y)
                for (int X = 0; X < 10; ++X)
                    QVERIFY2(Drawn.pixelColor(X, Y) == Wanted.pixelColor(X, Y),
                             qPrintable(QString("digit %1 at %2,%3").arg(Digit).arg(X).arg(Y)));
        }
        // The 6 has no top bar, the 9 no bottom bar.
        QCOMPARE(DrawDigitImage(6, Back, Ink).pixelColor(4, 0), Back);
        QCOMPARE(DrawDigitImage(8, Back, Ink).pixelColor(4, 0), Ink);
        QCOMPARE(DrawDigitImage(9, Back, Ink).pixelColor(4, 18), Back);
        QCOMPARE(DrawDigitImage(8, Back, Ink).pixelColor(4, 18), Ink);
    }

    void ColonHasTwoDots() {
        const QImage Colon = DrawColonImage(Back, Ink);
        QCOMPARE(Colon.size(), QSize(5, 19));
        int Lit = 0;
        for (int Y = 0; Y < 19; ++Y)
            for (int X = 0; X < 5; ++X)
                Lit += Colon.pixelColor(X, Y) == Ink;
        QCOMPARE(Lit, 18);
        QCOMPARE(Colon.pixelColor(1, 5), Ink);
        QCOMPARE(Colon.pixelColor(1, 12), Ink);
        QCOMPARE(Colon.pixelColor(1, 9), Back);
        QCOMPARE(Colon.pixelColor(4, 5), Back);
    }

    void OutPlacesFourDigitsAndTheColon() {
        THandsetRig Rig;
        TImageControl* Display = Rig.Find<TImageControl>("Display");
        QCOMPARE(Display->geometry(), QRect(94, 2, 126, 45));
        Rig.Handset->Led().SetDisplay();
        Rig.Handset->Led().Out(65, 20, 12.34);
        const QImage& Shown = Display->Picture();
        const auto Matches = [&](int X, const QImage& Glyph) {
            for (int Y = 0; Y < Glyph.height(); ++Y)
                for (int Dx = 0; Dx < Glyph.width(); ++Dx)
                    if (Shown.pixelColor(X + Dx, 20 + Y) != Glyph.pixelColor(Dx, Y)) return false;
            return true;
        };
        QVERIFY(Matches(65, DrawDigitImage(1, Back, Ink)));
        QVERIFY(Matches(78, DrawDigitImage(2, Back, Ink)));
        QVERIFY(Matches(91, DrawColonImage(Back, Ink)));
        QVERIFY(Matches(97, DrawDigitImage(3, Back, Ink)));
        QVERIFY(Matches(110, DrawDigitImage(4, Back, Ink)));
        // The display's own colours come from the settings.
        Rig.Settings.DisplayFontColor = clRed;
        Rig.Handset->Led().DrawAllDigits();
        Rig.Handset->Led().Out(0, 20, 0.07);
        QVERIFY(Matches(45, DrawDigitImage(7, Back, QColor(255, 0, 0))));
        QCOMPARE(Rig.Handset->Led().TimesTop(), 20);
    }

    void CaptionsAndTextLines() {
        THandsetRig Rig;
        Rig.Handset->SetModeLine("Mode: Disc");
        const QImage& Mode = Rig.Find<TImageControl>("imgMode")->Picture();
        QCOMPARE(Mode.size(), QSize(89, 14));
        int Lit = 0;
        for (int Y = 0; Y < Mode.height(); ++Y)
            for (int X = 0; X < Mode.width(); ++X)
                Lit += Mode.pixelColor(X, Y) != Back;
        QVERIFY(Lit > 20);
        // "Elapsed" is centred over the first time, "Remaining" over the second.
        const QImage& Display = Rig.Find<TImageControl>("Display")->Picture();
        int Left = 200, Right = -1;
        for (int Y = 2; Y < 18; ++Y)
            for (int X = 0; X < 60; ++X)
                if (Display.pixelColor(X, Y) != Back) {
                    Left = std::min(Left, X);
                    Right = std::max(Right, X);
                }
        QVERIFY(Right > Left);
        QVERIFY(std::abs((Left + Right) / 2 - 27) <= 3);
    }
};

QTEST_MAIN(TLedDisplayTest)
#include "LedDisplayTest.moc"
