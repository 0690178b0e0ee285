// The package drawing window on the sample catalogue: the code slots and the
// step buttons, codes without drawings, a picture that is not a GIF image, a
// small drawing centred on white, and the "Рисунок" command that shows it.
#include <gtest/gtest.h>

#include <QAction>
#include <QDir>
#include <QPushButton>
#include <QTimer>

#include "CatalogueFixture.h"
#include "app/Image.h"
#include "app/Package.h"
#include "gif/Gif.h"
#include "gif/GifTestKit.h"

using namespace talvern;
using namespace talvern::testing;

namespace {

struct PackageTest : CatalogueWindowTest {
  TPackage* package = nullptr;

  void SetUp() override {
    CatalogueWindowTest::SetUp();
    if (IsSkipped()) return;
    package = OpenWindow().Package();
    ASSERT_NE(package, nullptr);
  }

  // The size of the picture shown; (0, 0) for none.
  std::pair<int, int> Shown() const {
    const TGif* picture = package->Image1()->Picture();
    return picture ? std::pair{picture->Width(), picture->Height()} : std::pair{0, 0};
  }
  // Step buttons: shown, "&<" enabled, "&>" enabled.
  std::tuple<bool, bool, bool> Buttons() const {
    return {!package->Button1()->isHidden() && !package->Button2()->isHidden(), package->Button1()->isEnabled(),
            package->Button2()->isEnabled()};
  }
  // Replaces the picture of a drawing record.
  void StorePicture(const char* code, const std::string& bytes) {
    TTalvernDataSet& pics = form->Logic().Pics();
    ASSERT_TRUE(pics.FindKey({std::string(code)}));
    pics.Edit();
    pics.CreateBlobStream(pics.FieldByName("PICTURE"), bmWrite)->Write(bytes.data(), static_cast<std::int64_t>(bytes.size()));
    pics.Post();
  }
};

// Sizes of the sample drawings (004 TO220, 005 TO3, 006 TO18, 001 TO92, 009 SOT23).
constexpr std::pair<int, int> kTO220{560, 480}, kTO3{640, 480}, kTO18{480, 400}, kTO92{480, 380}, kSOT23{480, 360};
constexpr std::pair<int, int> kNone{0, 0};

TEST_F(PackageTest, TheWindowIsMadeOnceWithItsWidgets) {
  EXPECT_EQ(package->objectName(), "Package");
  EXPECT_EQ(package->windowTitle(), U("Чертёж корпуса"));
  EXPECT_EQ(package->size(), QSize(640, 480));
  EXPECT_EQ(package->minimumSize(), package->maximumSize());
  EXPECT_EQ(package->parentWidget(), form.get());
  EXPECT_EQ(package->Button1()->text(), "&<");
  EXPECT_EQ(package->Button2()->text(), "&>");
  EXPECT_EQ(package->Button1()->size(), QSize(25, 25));
  EXPECT_EQ(package->Button2()->size(), QSize(25, 25));
  EXPECT_EQ(package->OKBtn()->text(), "OK");
  EXPECT_TRUE(package->OKBtn()->isDefault());
  EXPECT_EQ(package->findChild<TImage*>("Image1"), package->Image1());

  package->Prepare("004005");
  package->show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(package));
  EXPECT_EQ(package->Image1()->geometry(), package->rect());
  const QRect back = package->Button1()->geometry(), next = package->Button2()->geometry(),
              ok = package->OKBtn()->geometry();
  EXPECT_LT(back.left(), 20);
  EXPECT_GT(back.top(), 440);
  EXPECT_LT(back.right(), next.left());
  EXPECT_GT(ok.right(), 620);
  EXPECT_EQ(ok.bottom(), back.bottom());
  // Escape only hides it: the main window keeps the same one.
  QTest::keyClick(package, Qt::Key_Escape);
  EXPECT_FALSE(package->isVisible());
  EXPECT_EQ(form->Package(), package);
}

TEST_F(PackageTest, StepButtonsFollowOneTwoAndThreeCodes) {
  package->Prepare("004");
  EXPECT_EQ(Shown(), kTO220);
  EXPECT_EQ(Buttons(), std::make_tuple(false, false, false));

  package->Prepare("004005");
  EXPECT_EQ(Shown(), kTO220);
  EXPECT_EQ(Buttons(), std::make_tuple(true, false, true));
  package->Button2()->click();
  EXPECT_EQ(Shown(), kTO3);
  EXPECT_EQ(Buttons(), std::make_tuple(true, true, false));
  package->Button1()->click();
  EXPECT_EQ(Shown(), kTO220);
  EXPECT_EQ(Buttons(), std::make_tuple(true, false, true));

  package->Prepare("006001009");
  EXPECT_EQ(Shown(), kTO18);
  package->Button2()->click();
  EXPECT_EQ(Shown(), kTO92);
  EXPECT_EQ(Buttons(), std::make_tuple(true, true, true));
  package->Button2()->click();
  EXPECT_EQ(Shown(), kSOT23);
  EXPECT_EQ(Buttons(), std::make_tuple(true, true, false));
  EXPECT_EQ(package->Index(), 2);

  // Preparing again starts from the first drawing.
  package->Prepare("005004");
  EXPECT_EQ(package->Index(), 0);
  EXPECT_EQ(Shown(), kTO3);
  EXPECT_EQ(Buttons(), std::make_tuple(true, false, true));
}

TEST_F(PackageTest, ShortSlotsAndCodesWithoutDrawingsShowAnEmptyPicture) {
  // Four characters: the second slot is "0", looked up as it is, which finds
  // the first code that begins with it (001, TO92) as a leading part of a key.
  package->Prepare("0040");
  EXPECT_EQ(package->Slots(), (std::array<std::string, 3>{"004", "0", ""}));
  EXPECT_EQ(Buttons(), std::make_tuple(true, false, true));
  package->Button2()->click();
  EXPECT_EQ(Shown(), kTO92);
  EXPECT_EQ(Buttons(), std::make_tuple(true, true, false));
  package->Prepare("004X");
  package->Button2()->click();
  EXPECT_EQ(Shown(), kNone);

  package->Prepare("00H");  // the LEDs' code without a record
  EXPECT_EQ(Shown(), kNone);
  package->Prepare("");
  EXPECT_EQ(Shown(), kNone);
  EXPECT_EQ(Buttons(), std::make_tuple(false, false, false));
}

TEST_F(PackageTest, APictureThatIsNotAGifIsReportedAndTheWindowStillOpens) {
  StorePicture("004", "\x89PNG\r\n\x1a\n not a GIF image at all");
  CollectedErrors errors;
  ChooseKind(1, 14);
  Grid().GotoRecNo(Grid().RowRecNo(RowOf("КТ819А")));  // TO220, TO3
  ASSERT_TRUE(form->M_Pict()->isEnabled());
  bool opened = false;
  QTimer::singleShot(0, package, [&] {
    opened = package->isVisible();
    EXPECT_EQ(Shown(), kNone);
    package->Button2()->click();
    EXPECT_EQ(Shown(), kTO3);
    package->OKBtn()->click();
  });
  form->M_Pict()->trigger();
  EXPECT_TRUE(opened);
  EXPECT_FALSE(package->isVisible());
  EXPECT_EQ(errors.Shown(), std::vector<QString>{"GIF: Invalid format"});
}

TEST_F(PackageTest, ASmallDrawingIsCentredOnWhiteWithItsOwnBackgroundALargeOneFitted) {
  // A 100 x 60 screen of red with a blue frame of 40 x 20 in its corner.
  GifFile gif;
  gif.width = 100;
  gif.height = 60;
  gif.globalTable = {kWhite, RgbColor(255, 0, 0), RgbColor(0, 0, 255), kBlack};
  gif.background = 1;
  gif.AddImage(40, 20, 2, LzwEncode(std::vector<std::uint8_t>(800, 2), 2));
  StorePicture("00U", gif.Bytes());
  package->Prepare("00U");
  package->show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(package));
  const QImage shown = package->grab().toImage();
  const QRgb white = qRgb(255, 255, 255), red = qRgb(255, 0, 0), blue = qRgb(0, 0, 255);
  // The drawing's area is (270, 210) - (369, 269).
  const std::vector<std::tuple<int, int, QRgb>> expected = {
      {269, 240, white}, {270, 209, white}, {270, 210, blue}, {309, 229, blue}, {310, 210, red},
      {270, 230, red},   {369, 269, red},   {370, 269, white}, {369, 270, white}, {10, 10, white}};
  for (auto [x, y, colour] : expected) EXPECT_EQ(shown.pixel(x, y) & 0xFFFFFF, colour & 0xFFFFFF) << x << "," << y;

  // A drawing wider than the window is fitted into it, keeping its proportions.
  gif.width = 1280;
  gif.height = 480;
  StorePicture("00U", gif.Bytes());
  package->Prepare("00U");
  EXPECT_EQ(package->Image1()->PictureRect(), QRect(0, 120, 640, 240));
  package->hide();
}

// The window with a sample drawing, for a person to look at:
// build/<type>/screenshots/package.png (docs/ holds a copy).
TEST_F(PackageTest, Screenshot) {
  package->Prepare("006001009");  // КТ3102А: TO18, TO92, SOT23
  package->Button2()->click();
  package->show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(package));
  QDir().mkpath(TALVERN_BINARY_DIR "/screenshots");
  EXPECT_TRUE(package->grab().save(TALVERN_BINARY_DIR "/screenshots/package.png"));
  package->hide();
}

}  // namespace
