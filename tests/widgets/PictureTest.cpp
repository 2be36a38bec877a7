// Pictures from files: bitmaps, JPEG through libjpeg, errors that name the file, transparency.
#include <gtest/gtest.h>

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QImage>
#include <cstdlib>
#include <fstream>
#include <span>
#include <thread>

#include "tests/store/TempDir.h"
#include "tests/widgets/Fixtures.h"
#include "tests/widgets/Stripes.h"
#include "widgets/Picture.h"
#include "widgets/StoredPicture.h"

namespace veloria::widgets::test {
namespace {

class PictureTest : public WidgetTest {
  protected:
    std::string Path(const std::string& name) const { return (dir.path() / name).string(); }
    QString QPath(const std::string& name) const { return QString::fromStdString(Path(name)); }

    // A picture with a distinct colour in each quarter.
    static QImage Quarters(int w, int h) {
        QImage image(w, h, QImage::Format_RGB32);
        for (int y = 0; y < h; ++y) {
            for (int x = 0; x < w; ++x) {
                const bool right = x >= w / 2, bottom = y >= h / 2;
                image.setPixel(x, y,
                               right ? (bottom ? qRgb(0, 0, 255) : qRgb(0, 255, 0))
                                     : (bottom ? qRgb(255, 255, 255) : qRgb(255, 0, 0)));
            }
        }
        return image;
    }

    static void ExpectNear(QRgb actual, QRgb expected) {
        EXPECT_NEAR(qRed(actual), qRed(expected), 24);
        EXPECT_NEAR(qGreen(actual), qGreen(expected), 24);
        EXPECT_NEAR(qBlue(actual), qBlue(expected), 24);
    }

    store::testing::TempDir dir;
};

TEST_F(PictureTest, AMissingBitmapNamesTheFileAndTheHandlerShowsIt) {
    TBitmap bitmap;
    try {
        bitmap.LoadFromFile("Fondo01.bmp");
        FAIL() << "no error";
    } catch (const PictureError& e) {
        EXPECT_STREQ(e.what(), "Cannot open file \"Fondo01.bmp\"");
    }
    // Through a handler the error box shows it, and the handler's later steps do not run.
    LoggedForm form("form", log);
    auto* image = form.Add<TImage>("Image1", 0, 0, 100, 100, -1);
    auto* button = form.Add<TdxButton>("Button1", 10, 10, 60, 24, 0);
    bool after = false;
    button->OnClick = [&] {
        image->LoadFromFile(Path("Logotipo01.bmp"));
        after = true;
    };
    form.Show();
    testing::DialogCapture boxes;
    testing::Click(*button);
    EXPECT_FALSE(after);
    EXPECT_EQ(boxes.Errors(),
              std::vector<std::string>{"Cannot open file \"" + Path("Logotipo01.bmp") + "\""});
    EXPECT_TRUE(image->Picture().Empty());
}

// A decoration that cannot be read, missing or damaged: the first failure of the session is
// shown, the others are not, nothing is thrown, and the picture keeps what it held.
TEST_F(PictureTest, ADecorationThatCannotBeReadIsReportedOnceAndLeftOut) {
    ForgetDecorationFailures();
    ASSERT_TRUE(Quarters(20, 10).save(QPath("BAbierto.bmp"), "BMP"));
    ASSERT_TRUE(Quarters(8, 8).save(QPath("Damaged.bmp"), "PNG"));
    testing::DialogCapture boxes;
    TBitmap picture;
    EXPECT_TRUE(LoadDecoration(picture, Path("BAbierto.bmp")));
    EXPECT_EQ(picture.Width(), 20);
    EXPECT_FALSE(LoadDecoration(picture, Path("BCerrado.bmp")));
    EXPECT_FALSE(LoadDecoration(picture, Path("Damaged.bmp")));
    EXPECT_FALSE(LoadDecoration(picture, Path("BCerrado.bmp")));
    EXPECT_EQ(picture.Width(), 20);
    EXPECT_EQ(boxes.Errors(),
              std::vector<std::string>{"Cannot open file \"" + Path("BCerrado.bmp") + "\""});
    ForgetDecorationFailures();
    EXPECT_FALSE(LoadDecoration(picture, Path("Damaged.bmp")));
    ASSERT_EQ(boxes.Errors().size(), 2u);
    EXPECT_NE(boxes.Errors()[1].find("Damaged.bmp"), std::string::npos);
}

TEST_F(PictureTest, BitmapsLoadWithoutRegardToCaseAndRejectOtherFormats) {
    ASSERT_TRUE(Quarters(20, 10).save(QPath("BAbierto.bmp"), "BMP"));
    TBitmap bitmap;
    bitmap.LoadFromFile(Path("babierto.BMP"));
    EXPECT_EQ(bitmap.Width(), 20);
    EXPECT_EQ(bitmap.Image().pixel(15, 2), qRgb(0, 255, 0));
    // A file that is no bitmap: an error naming it, and the picture keeps what it had.
    ASSERT_TRUE(Quarters(8, 8).save(QPath("Fake.bmp"), "PNG"));
    EXPECT_THROW(bitmap.LoadFromFile(Path("Fake.bmp")), PictureError);
    EXPECT_EQ(bitmap.Width(), 20);
}

TEST_F(PictureTest, JpegPicturesAreDecodedWithLibjpeg) {
    ASSERT_TRUE(Quarters(64, 48).save(QPath("Splash.jpg"), "JPG", 95));
    const QImage image = LoadJpegFile(Path("Splash.jpg"));
    ASSERT_EQ(image.size(), QSize(64, 48));
    ExpectNear(image.pixel(8, 8), qRgb(255, 0, 0));
    ExpectNear(image.pixel(56, 8), qRgb(0, 255, 0));
    ExpectNear(image.pixel(8, 40), qRgb(255, 255, 255));
    ExpectNear(image.pixel(56, 40), qRgb(0, 0, 255));
    // A greyscale picture comes out as grey RGB.
    QImage gray = Quarters(16, 16).convertToFormat(QImage::Format_Grayscale8);
    ASSERT_TRUE(gray.save(QPath("Gray.jpeg"), "JPG", 95));
    TPicture picture;
    picture.LoadFromFile(Path("Gray.jpeg"));
    EXPECT_FALSE(picture.IsBitmap());
    const QRgb g = picture.Image().pixel(2, 2);
    EXPECT_NEAR(qRed(g), qGreen(g), 2);
}

TEST_F(PictureTest, ABrokenJpegIsAnErrorNamingTheFile) {
    {
        std::ofstream out(Path("Biblia.jpg"), std::ios::binary);
        out << "\xFF\xD8\xFF\xE0 not really a picture";
    }
    try {
        LoadJpegFile(Path("Biblia.jpg"));
        FAIL() << "no error";
    } catch (const PictureError& e) {
        EXPECT_NE(std::string(e.what()).find("Biblia.jpg"), std::string::npos) << e.what();
    }
    // Cut short after the header: libjpeg warns and fills in, which is no failure.
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImage busy(256, 256, QImage::Format_RGB32);
    for (int y = 0; y < 256; ++y) {
        for (int x = 0; x < 256; ++x)
            busy.setPixel(x, y, qRgb(x, (x * y) % 256, (x ^ y) % 256));
    }
    busy.save(&buffer, "JPG", 95);
    const auto* data = reinterpret_cast<const std::byte*>(bytes.constData());
    const QImage truncated = DecodeJpeg({data, std::size_t(bytes.size() * 2 / 3)}, "cut");
    EXPECT_EQ(truncated.size(), QSize(256, 256));
    EXPECT_THROW(DecodeJpeg({data, 10}, "tiny"), PictureError);
}

TEST_F(PictureTest, ATransparentBitmapLetsItsBottomLeftColourThrough) {
    const QImage out = TransparentBitmap(Quarters(10, 10));
    EXPECT_EQ(qAlpha(out.pixel(1, 8)), 0);    // white, the bottom-left colour
    EXPECT_EQ(qAlpha(out.pixel(1, 1)), 255);  // red stays
    LoggedForm form("form", log);
    form.SetColor(RGB(10, 20, 30));
    auto* image = form.Add<TImage>("Image2", 0, 0, 10, 10, -1);
    image->SetTransparent(true);
    image->SetPicture(TPicture(Quarters(10, 10)));
    form.Show();
    const QImage shot = form.grab(QRect(0, 0, 10, 10)).toImage();
    EXPECT_EQ(QColor(shot.pixel(1, 8)), QColor(10, 20, 30));
    EXPECT_EQ(QColor(shot.pixel(1, 1)), QColor(255, 0, 0));
}

// The program's own pictures come with it, whatever the working directory holds.
TEST_F(PictureTest, StoredPicturesComeWithTheProgram) {
    const TPicture background = StoredPicture("Glosario.jpg");
    EXPECT_FALSE(background.Empty());
    EXPECT_FALSE(background.IsBitmap());
    EXPECT_FALSE(StoredPicture("close.png").Empty());
    try {
        StoredPicture("nothing.png");
        ADD_FAILURE() << "a picture that is not there";
    } catch (const PictureError& e) {
        EXPECT_NE(std::string(e.what()).find("nothing.png"), std::string::npos);
    }
}

TEST_F(PictureTest, APictureDrawnForADenserScreenHasItsSizeAt96Dpi) {
    const TPicture dense(Stripes(40, 20, 192), false);
    EXPECT_EQ(dense.Width(), 20);
    EXPECT_EQ(dense.Height(), 10);
    ASSERT_EQ(dense.Image().size(), QSize(20, 10));
    // At 96 dpi each pixel stands for two columns: grey, not every other column.
    EXPECT_NEAR(qRed(dense.Image().pixel(5, 5)), 128, 16);
    EXPECT_NEAR(qRed(dense.Image().pixel(6, 5)), 128, 16);
    // Screens with more device pixels get the picture as drawn.
    EXPECT_EQ(&dense.ImageFor(1), &dense.Image());
    EXPECT_EQ(dense.ImageFor(2).size(), QSize(40, 20));
    EXPECT_EQ(dense.ImageFor(1.5).size(), QSize(40, 20));
    // Transparency and the disabled look apply to both images.
    const TPicture changed = dense.Changed([](const QImage& i) { return i.mirrored(true, false); });
    EXPECT_EQ(changed.Width(), 20);
    EXPECT_EQ(qRed(changed.ImageFor(2).pixel(0, 0)), 255);

    // 96 dpi, or a size that does not halve: the picture as it stands.
    for (const QImage& plain : {Stripes(40, 20, 96), Stripes(41, 20, 192)}) {
        const TPicture picture(plain);
        EXPECT_EQ(picture.Width(), plain.width());
        EXPECT_EQ(&picture.ImageFor(2), &picture.Image());
    }
}

TEST_F(PictureTest, FilesOfTheWorkingDirectoryAreDrawnAtTheirPixelSize) {
    // Whatever density a file states: the windows are laid out against its pixels.
    ASSERT_TRUE(Stripes(40, 20, 192).save(QPath("Fondo01.bmp"), "BMP"));
    ASSERT_TRUE(Stripes(40, 20, 192).save(QPath("Glyph.png"), "PNG"));
    TPicture picture(Stripes(40, 20, 192));
    for (const char* name : {"Fondo01.bmp", "Glyph.png"}) {
        picture.LoadFromFile(Path(name));
        EXPECT_EQ(picture.Width(), 40) << name;
        EXPECT_EQ(&picture.ImageFor(2), &picture.Image()) << name;
    }
}

TEST_F(PictureTest, AJpegKeepsTheDensityItStates) {
    ASSERT_TRUE(Stripes(64, 32, 192).save(QPath("Banner.jpg"), "JPG", 95));
    const QImage image = LoadJpegFile(Path("Banner.jpg"));
    EXPECT_NEAR(image.dotsPerMeterX(), 7559, 40);
    EXPECT_EQ(TPicture(image, false).Width(), 32);
    ASSERT_TRUE(Stripes(64, 32, 96).save(QPath("Plain.jpg"), "JPG", 95));
    EXPECT_EQ(TPicture(LoadJpegFile(Path("Plain.jpg")), false).Width(), 64);
}

TEST_F(PictureTest, TheProgramsOwnPicturesAreDrawnForADenserScreen) {
    // Every one has its sharp form, twice its size at 96 dpi.
    const QStringList names = QDir(QStringLiteral(":/pictures")).entryList(QDir::Files);
    for (const QString& name : names) {
        const TPicture picture = StoredPicture(name.toStdString());
        EXPECT_EQ(picture.ImageFor(2).size(), QSize(picture.Width() * 2, picture.Height() * 2))
            << name.toStdString();
    }
    EXPECT_GE(names.size(), 14);
}

// A picture of the program is decoded when first drawn, and for a screen at 96 dpi shrunk as it
// is decoded: the same picture, opaque, as one decoded whole and shrunk after.
TEST_F(PictureTest, TheProgramsPicturesShrunkAsDecodedAreThoseShrunkAfter) {
    for (const QString& name : QDir(QStringLiteral(":/pictures")).entryList({"*.jpg"})) {
        SCOPED_TRACE(name.toStdString());
        QFile file(":/pictures/" + name);
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        const QByteArray bytes = file.readAll();
        const auto* data = reinterpret_cast<const std::byte*>(bytes.constData());
        const TPicture after(DecodeJpeg(std::span(data, bytes.size()), "after"), false);
        const TPicture shown = StoredPicture(name.toStdString());
        EXPECT_EQ(QSize(shown.Width(), shown.Height()), after.Image().size());
        const QImage a = after.Image(), b = shown.Image();
        ASSERT_EQ(a.size(), b.size());
        double difference = 0;
        bool opaque = true;
        for (int y = 0; y < a.height(); ++y) {
            for (int x = 0; x < a.width(); ++x) {
                const QRgb p = a.pixel(x, y), q = b.pixel(x, y);
                difference += std::abs(qRed(p) - qRed(q)) + std::abs(qGreen(p) - qGreen(q)) +
                              std::abs(qBlue(p) - qBlue(q));
                opaque = opaque && qAlpha(b.pixel(x, y)) == 255;
            }
        }
        EXPECT_LT(difference / (3.0 * a.width() * a.height()), 1.0);
        EXPECT_TRUE(opaque);
        EXPECT_EQ(shown.ImageFor(2), after.ImageFor(2));
    }
}

// Decoded ahead on another thread, a picture is the one its window would have decoded; one that
// cannot be decoded is left to its window.
TEST_F(PictureTest, APictureDecodedAheadIsTheOneItsWindowWouldDecode) {
    const QImage own = StoredPicture("Frase.jpg").Image();
    std::thread([] { DecodeStoredAhead({"Frase.jpg", "nothing.jpg"}); }).join();
    const TPicture ahead = StoredPicture("Frase.jpg");
    EXPECT_EQ(ahead.Image(), own);
    EXPECT_EQ(ahead.ImageFor(2).size(), own.size() * 2);
    EXPECT_THROW(StoredPicture("nothing.jpg"), PictureError);
    ForgetStoredAhead();
}

}  // namespace
}  // namespace veloria::widgets::test
