// The package correspondence list (the table as it stands, read-only, an
// empty or missing table), the About window, each menu command opening its
// window modally, and pictures of the windows for a person to look at.
#include <gtest/gtest.h>

#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>

#include "CatalogueFixture.h"
#include "ModalDriver.h"
#include "app/AboutForm.h"
#include "app/ColumnSetup.h"
#include "app/DataGrid.h"
#include "app/FormSearch.h"
#include "app/PackagesForm.h"
#include "app/SmdCodesForm.h"
#include "dataset/Field.h"

using namespace talvern;
using namespace talvern::testing;

namespace {

std::vector<QString> Headings(const QAbstractItemModel& model) {
  std::vector<QString> names;
  for (int c = 0; c < model.columnCount(); ++c) names.push_back(model.headerData(c, Qt::Horizontal).toString());
  return names;
}

const std::vector<QString> kPackageFields{"GOST", "NAME", "JEDEC", "IEC", "EIAJ", "PINS", "NOTE"};

}  // namespace

TEST_F(CatalogueWindowTest, ThePackageListShowsTheTableReadOnly) {
  TPackagesForm window(dir.Path());
  EXPECT_EQ(window.windowTitle(), U("Соответствие типов корпусов"));
  EXPECT_EQ(window.size(), QSize(601, 434));
  DataSetModel& model = window.DBGrid1()->Model();
  FetchAll(model);
  EXPECT_EQ(Headings(model), kPackageFields);
  ASSERT_EQ(model.rowCount(), 24);
  EXPECT_EQ(Cell(model, 0, 0), U("КТ-1-7"));
  EXPECT_EQ(Cell(model, 0, 1), "TO-18");
  EXPECT_EQ(Cell(model, 0, 6), U("металлический, маломощные транзисторы"));
  // Nothing can be edited: not in the grid, not through the dataset.
  EXPECT_FALSE(model.flags(model.index(0, 0)) & Qt::ItemIsEditable);
  EXPECT_EQ(window.DBGrid1()->editTriggers(), QAbstractItemView::NoEditTriggers);
  EXPECT_THROW(window.Packages().Edit(), std::exception);
  EXPECT_TRUE(window.Packages().ReadOnly());
  EXPECT_FALSE(window.Packages().Exclusive());
}

TEST_F(CatalogueWindowTest, AnEmptyPackageTableShowsItsFieldNamesAndAMissingOneIsReported) {
  // No records: the header alone, its record count 0 (bytes 4 to 7), then the
  // end-of-file mark.
  std::string table = ReadFile(dir.File("packages.dbf"));
  const std::size_t headerLength = static_cast<unsigned char>(table[8]) | static_cast<unsigned char>(table[9]) << 8;
  table.resize(headerLength);
  PutLE32(table, 4, 0);
  WriteFile(dir.File("packages.dbf"), table + "\x1A");
  {
    TPackagesForm window(dir.Path());
    DataSetModel& model = window.DBGrid1()->Model();
    FetchAll(model);
    EXPECT_EQ(model.rowCount(), 0);
    EXPECT_EQ(Headings(model), kPackageFields);
  }
  std::filesystem::remove(dir.File("packages.dbf"));
  CollectedErrors errors;
  TPackagesForm window(dir.Path());
  EXPECT_EQ(errors.Shown(), std::vector<QString>{QString::fromStdString("Cannot find file " + dir.File("packages.dbf"))});
  EXPECT_EQ(window.DBGrid1()->model()->rowCount(), 0);
}

TEST(AboutWindow, TitleVersionAuthorshipAndIcon) {
  TAboutForm window;
  EXPECT_EQ(window.windowTitle(), U("О программе"));
  EXPECT_EQ(window.size(), QSize(298, 213));
  EXPECT_EQ(window.minimumSize(), window.maximumSize());
  for (QLabel* text : {window.ProductName(), window.Version(), window.Copyright()}) EXPECT_FALSE(text->text().isEmpty());
  const QPixmap icon = window.ProgramIcon()->pixmap();
  EXPECT_FALSE(icon.isNull());
  EXPECT_LE(icon.width(), TAboutForm::kIconBoxWidth);
  EXPECT_LE(icon.height(), TAboutForm::kIconBoxHeight);
  EXPECT_TRUE(window.OKButton()->isDefault());
}

// The SMD codes, the package list, About and the column setup each open
// their window modally; OK and Escape close them.
TEST_F(CatalogueWindowTest, EachCommandOpensItsWindowModally) {
  TMainForm& w = OpenWindow();
  Show();
  WithModal<TSmdCodesForm>([&] { w.M_SMD()->trigger(); }, [](TSmdCodesForm& smd) {
    EXPECT_GT(smd.Codes().size(), 50u);  // the sample's codes
    QTest::keyClick(&smd, Qt::Key_Escape);
  });
  WithModal<TPackagesForm>([&] { w.M_Packages()->trigger(); }, [](TPackagesForm& packages) {
    EXPECT_TRUE(packages.Packages().Active());
    QTest::keyClick(&packages, Qt::Key_Escape);
  });
  WithModal<TAboutForm>([&] { w.M_About()->trigger(); }, [](TAboutForm& about) {
    EXPECT_TRUE(about.isModal());
    about.OKButton()->click();
    EXPECT_FALSE(about.isVisible());
  });
  ChooseKind(1, 11);
  WithModal<TColumnSetup>([&] { w.M_ColumnSetup()->trigger(); }, [](TColumnSetup& setup) {
    EXPECT_EQ(setup.SGrid()->rowCount(), 12);
    QTest::keyClick(&setup, Qt::Key_Escape);
  });
  EXPECT_GT(Grid().RowCount(), 1);  // cancelled: the kind stays as it was
}

// The search, SMD code and column setup windows on the sample catalogue:
// build/<type>/screenshots/search.png, smd-codes.png, column-setup.png
// (docs/ holds copies).
TEST_F(CatalogueWindowTest, Screenshots) {
  TMainForm& w = OpenWindow();
  Show();
  CollectedErrors errors;
  QDir().mkpath(TALVERN_BINARY_DIR "/screenshots");
  WithModal<TFormSearch>([&] { w.M_Find()->trigger(); }, [](TFormSearch& search) {
    TypeText(search.Edit1(), U("2n"));
    QCoreApplication::processEvents();
    EXPECT_TRUE(search.grab().save(TALVERN_BINARY_DIR "/screenshots/search.png"));
  });
  WithModal<TSmdCodesForm>([&] { w.M_SMD()->trigger(); }, [](TSmdCodesForm& smd) {
    TypeText(smd.Edit1(), "1J");
    EXPECT_TRUE(smd.grab().save(TALVERN_BINARY_DIR "/screenshots/smd-codes.png"));
  });
  ChooseKind(1, 12);
  WithModal<TColumnSetup>([&] { w.M_ColumnSetup()->trigger(); }, [](TColumnSetup& setup) {
    setup.SGrid()->setCurrentCell(4, 0);
    EXPECT_TRUE(setup.grab().save(TALVERN_BINARY_DIR "/screenshots/column-setup.png"));
  });
  EXPECT_TRUE(errors.Shown().empty());
}
