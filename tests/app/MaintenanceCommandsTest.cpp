// The main window's export, import, drawing update and optimisation, driven
// through their menu commands and the dialogs they open, on a copy of the
// sample catalogue.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QFileDialog>
#include <QLabel>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QTimer>
#include <deque>
#include <functional>

#include "CatalogueFixture.h"
#include "app/MaintenanceCommands.h"
#include "app/ProtocolWindow.h"
#include "app/QueryDialog.h"

namespace talvern::testing {
namespace {

// Answers the modal windows a command opens, in order: each step gets the
// next modal window that comes up.
class ModalScript {
public:
  using Step = std::function<void(QWidget* modal)>;
  explicit ModalScript(std::deque<Step> steps) : steps_(std::move(steps)) {
    QObject::connect(&timer_, &QTimer::timeout, [this] { Tick(); });
    timer_.start(10);
  }
  bool Done() const { return steps_.empty(); }

private:
  void Tick() {
    QWidget* modal = QApplication::activeModalWidget();
    if (!modal || modal == last_ || steps_.empty()) return;
    last_ = modal;
    Step step = std::move(steps_.front());
    steps_.pop_front();
    step(modal);
  }
  std::deque<Step> steps_;
  QTimer timer_;
  QPointer<QWidget> last_;  // a window gone clears it (the next may take its address)
};

// Chooses a file in the save or open dialog.
ModalScript::Step ChooseFile(const std::string& path, QStringList* filters = nullptr, QString* proposed = nullptr,
                             QString* suffix = nullptr) {
  return [=](QWidget* modal) {
    auto* dialog = qobject_cast<QFileDialog*>(modal);
    ASSERT_NE(dialog, nullptr);
    if (filters) *filters = dialog->nameFilters();
    if (proposed) *proposed = QFileInfo(dialog->selectedFiles().value(0)).fileName();
    if (suffix) *suffix = dialog->defaultSuffix();
    dialog->selectFile(QString::fromStdString(path));
    static_cast<QDialog*>(dialog)->accept();  // QFileDialog hides it
  };
}

ModalScript::Step PressMessageBoxButton(QMessageBox::StandardButton button, QString* text = nullptr) {
  return [=](QWidget* modal) {
    auto* box = qobject_cast<QMessageBox*>(modal);
    ASSERT_NE(box, nullptr);
    if (text) *text = box->windowTitle() + "|" + box->text();
    box->button(button)->click();
  };
}

TProtocolWindow* ProtocolWindow() {
  for (QWidget* w : QApplication::topLevelWidgets())
    if (auto* p = dynamic_cast<TProtocolWindow*>(w); p && p->isVisible()) return p;
  return nullptr;
}

struct MaintenanceWindowTest : CatalogueWindowTest {
  void Run(QAction* command, std::deque<ModalScript::Step> steps) {
    ModalScript script(std::move(steps));
    ASSERT_TRUE(command->isEnabled()) << command->objectName().toStdString();
    command->trigger();
    EXPECT_TRUE(script.Done());
  }
};

TEST_F(MaintenanceWindowTest, ExportProposesTheKindsFileAndSaysWhenItIsDone) {
  OpenWindow();
  Show();
  ChooseKind(1, 12);
  QStringList filters;
  QString proposed, suffix, message;
  const std::string file = dir.File("kind12");
  Run(form->M_Export(), {ChooseFile(file, &filters, &proposed, &suffix),
                         PressMessageBoxButton(QMessageBox::Ok, &message)});
  EXPECT_EQ(filters, (QStringList{U("Таблицы (*.tbl)"), U("Все файлы (*)")}));
  EXPECT_EQ(proposed, "tb_12.tbl");
  EXPECT_EQ(suffix, "tbl");
  EXPECT_EQ(message, U("Справочник|Экспорт завершен."));
  EXPECT_TRUE(ReadFile(file + ".tbl").starts_with("=12\r\n; "));
  EXPECT_EQ(Grid().RowCount(), 113);  // the kind stays loaded

  // Cancelled: nothing is written.
  Run(form->M_Export(), {[](QWidget* modal) { qobject_cast<QDialog*>(modal)->reject(); }});
  EXPECT_FALSE(std::filesystem::exists(dir.File("tb_12.tbl")));
}

TEST_F(MaintenanceWindowTest, ImportAsksInItsDialogWritesItsProtocolAndShowsTheKind) {
  OpenWindow();
  Show();
  ChooseKind(1, 12);
  const std::string file = dir.File("kp.tbl");
  WriteFile(file, platform::Utf8ToOem("=21\r\nTYPE\xE2\x94\x82TERM\r\nКП303А\xE2\x94\x82-1...+1\r\nКП999Я\xE2\x94\x82x\r\n"));
  QString title, item;
  QSize size;
  Run(form->M_Import(), {ChooseFile(file), [&](QWidget* modal) {
                           auto* query = dynamic_cast<TQueryDialog*>(modal);
                           ASSERT_NE(query, nullptr);
                           title = query->windowTitle();
                           size = query->size();
                           item = query->TypeText()->text();
                           EXPECT_EQ(query->ButtonYes()->text(), U("Заменить"));
                           EXPECT_EQ(query->ButtonNo()->text(), U("Пропустить"));
                           EXPECT_EQ(query->CheckBox1()->text(), U("Больше не спрашивать"));
                           query->ButtonYes()->click();
                         }});
  EXPECT_EQ(title, U("Импорт"));
  EXPECT_EQ(size, QSize(281, 164));
  EXPECT_EQ(item, U("КП303А"));
  TProtocolWindow* protocol = ProtocolWindow();
  ASSERT_NE(protocol, nullptr);
  EXPECT_EQ(protocol->windowTitle(), U("Протокол импорта"));
  EXPECT_EQ(protocol->size(), QSize(500, 350));
  EXPECT_TRUE(protocol->windowFlags() & Qt::WindowStaysOnTopHint);
  EXPECT_EQ(protocol->Memo()->toPlainText(),
            QString::fromStdString("Импортируется " + file + "\nС p-n переходом\nИмпорт завершен."));
  // The imported kind, of another group, is shown.
  EXPECT_EQ(KeyAsInteger(form->CBGroups()->KeyValue()), 2);
  EXPECT_EQ(KeyAsInteger(form->CBVids()->KeyValue()), 21);
  EXPECT_EQ(FieldText("КП303А", "TERM"), "-1...+1");
  EXPECT_EQ(FieldText("КП999Я", "TERM"), "x");
  EXPECT_EQ(form->focusWidget(), &Grid());
  protocol->close();
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  EXPECT_EQ(ProtocolWindow(), nullptr);
}

TEST_F(MaintenanceWindowTest, DrawingUpdateReadsTheChosenFolderAndKeepsIt) {
  OpenWindow();
  Show();
  const std::string gifs = std::string(TALVERN_SOURCE_DIR) + "/data/drawings";
  Run(form->M_PicUpdate(), {ChooseFile(gifs + "/TO92.gif")});
  TProtocolWindow* protocol = ProtocolWindow();
  ASSERT_NE(protocol, nullptr);
  EXPECT_EQ(protocol->windowTitle(), U("Протокол обновления"));
  // Every drawing of the sample has its file: no error lines.
  EXPECT_EQ(protocol->Memo()->toPlainText(), U("Обновление базы рисунков...\nОбновление завершено"));
  EXPECT_EQ(form->Maintenance().DrawingFolder(), gifs);
  protocol->close();
}

TEST_F(MaintenanceWindowTest, OptimisationAsksFirstAndReportsInTheStatusBar) {
  OpenWindow();
  Show();
  ChooseKind(1, 12);
  QString question;
  Run(form->M_Optimize(), {PressMessageBoxButton(QMessageBox::No, &question)});
  EXPECT_EQ(question, U("Оптимизация базы|Будет выполнен поиск и удаление неиспользуемых в базе чертежей корпусов."));
  EXPECT_EQ(KeyAsInteger(form->CBVids()->KeyValue()), 12);  // nothing changed
  EXPECT_EQ(Grid().RowCount(), 113);

  Run(form->M_Optimize(), {PressMessageBoxButton(QMessageBox::Yes)});
  EXPECT_EQ(form->StatusText(), U("Завершена оптимизация"));
  EXPECT_FALSE(form->CBGroups()->HasValue());
  EXPECT_LE(Grid().RowCount(), 1);  // no devices
}

}  // namespace
}  // namespace talvern::testing
