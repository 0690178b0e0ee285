#include "app/MaintenanceCommands.h"

#include <QApplication>
#include <QCheckBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QLabel>
#include <QMessageBox>

#include "app/Catalogue.h"
#include "app/DisplayText.h"
#include "app/LookupComboBox.h"
#include "app/MainForm.h"
#include "app/ProtocolWindow.h"
#include "app/QueryDialog.h"
#include "app/TxGrid.h"
#include "impexp/ExportTable.h"
#include "impexp/Importer.h"
#include "impexp/Maintenance.h"
#include "impexp/Messages.h"

namespace talvern {
namespace {

constexpr char kTablesFilter[] = "Таблицы (*.tbl);;Все файлы (*)";
constexpr char kPicturesFilter[] = "Рисунки (*.gif);;Все файлы (*)";
constexpr char kImportProtocol[] = "Протокол импорта";
constexpr char kUpdateProtocol[] = "Протокол обновления";
// How often a running command lets the windows repaint.
constexpr qint64 kPaintIntervalMs = 40;

// The main window's catalogue as the maintenance commands see it.
class WindowCatalogue : public impexp::MaintenanceCatalogue {
public:
  explicit WindowCatalogue(Catalogue& catalogue) : catalogue_(catalogue) {}
  const std::string& DatabaseDirectory() const override { return catalogue_.DatabaseDirectory(); }
  TTalvernDataSet& Vids() override { return catalogue_.Vids(); }
  TTalvernDataSet& Fields() override { return catalogue_.Fields(); }
  TTalvernDataSet& Main() override { return catalogue_.Main(); }
  TTalvernDataSet& Pics() override { return catalogue_.Pics(); }
  void PrepareMain(std::int32_t v) override { catalogue_.PrepareMain(v); }
  void ResetFields(TTalvernDataSet& dataSet) override { catalogue_.ResetFields(dataSet); }

private:
  Catalogue& catalogue_;
};

// An open or save dialog of Qt's own kind (the same on every desktop).
QString ChooseFile(QWidget* parent, QFileDialog::AcceptMode mode, const char* filter, const QString& proposed = {}) {
  QFileDialog dialog(parent);
  dialog.setObjectName(mode == QFileDialog::AcceptSave ? "SaveDialog1" : "OpenDialog1");
  dialog.setOption(QFileDialog::DontUseNativeDialog);
  dialog.setAcceptMode(mode);
  dialog.setFileMode(mode == QFileDialog::AcceptSave ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
  dialog.setNameFilters(QString::fromUtf8(filter).split(";;"));
  if (mode == QFileDialog::AcceptSave) dialog.setDefaultSuffix("tbl");
  if (!proposed.isEmpty()) dialog.selectFile(proposed);
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
  return dialog.selectedFiles().front();
}

// While a command runs: the wait cursor; user input waits (see KeepPainting).
class Busy {
public:
  Busy() { QApplication::setOverrideCursor(Qt::WaitCursor); }
  ~Busy() { QApplication::restoreOverrideCursor(); }
  Busy(const Busy&) = delete;
  Busy& operator=(const Busy&) = delete;
};

// Back to "no group": the device list closes.
void ResetNavigation(TMainForm& form) {
  form.CBGroups()->SetKeyValue(FieldValue{});
  form.CBGroupsClick();
}

}  // namespace

MaintenanceCommands::MaintenanceCommands(TMainForm& form)
    : form_(form), catalogue_(std::make_unique<WindowCatalogue>(form.Logic())) {
  sincePaint_.start();
}

MaintenanceCommands::~MaintenanceCommands() {
  if (protocol_) protocol_->close();
}

void MaintenanceCommands::M_ExportClick() {
  const std::int32_t kind = KeyAsInteger(form_.CBVids()->KeyValue());
  const QString file = ChooseFile(&form_, QFileDialog::AcceptSave, kTablesFilter,
                                  QString::fromStdString(impexp::ExportFileName(kind)));
  if (file.isEmpty()) return;
  {
    Busy busy;
    impexp::ExportTable(*catalogue_, file.toStdString(), kind);
  }
  QMessageBox::information(&form_, form_.windowTitle(), QString::fromUtf8(impexp::kExportFinished));
}

void MaintenanceCommands::M_ImportClick() {
  const QString file = ChooseFile(&form_, QFileDialog::AcceptOpen, kTablesFilter);
  if (file.isEmpty()) return;
  ResetNavigation(form_);
  protocol_ = OpenProtocolWindow(&form_, kImportProtocol);
  try {
    Busy busy;
    impexp::TImporter importer(*catalogue_, *this, drawingFolder_);
    const std::int32_t kind = importer.ImportFile(file.toStdString());
    if (kind != 0) {
      const FieldValue group = form_.Logic().Vids().Lookup("VID", {FieldValue{std::int64_t{kind}}}, "GROUP");
      if (!IsNullValue(group)) {
        form_.CBGroups()->SetKeyValue(group);
        form_.CBGroupsClick();
        form_.CBVids()->SetKeyValue(FieldValue{std::int64_t{kind}});
        form_.CBVidsClick();
        form_.Grid1()->setFocus();
      }
    }
  } catch (const std::exception& e) {
    Protocol(impexp::MessageText(e));
  }
  if (!form_.CBVids()->HasValue()) form_.SetStatusText({});
  KeepPainting(true);
}

void MaintenanceCommands::M_PicUpdateClick() {
  const QString file = ChooseFile(&form_, QFileDialog::AcceptOpen, kPicturesFilter);
  if (file.isEmpty()) return;
  drawingFolder_ = QFileInfo(file).absolutePath().toStdString();
  protocol_ = OpenProtocolWindow(&form_, kUpdateProtocol);
  Busy busy;
  impexp::UpdatePictures(*catalogue_, *this, drawingFolder_);
  form_.SetStatusText({});
  KeepPainting(true);
}

void MaintenanceCommands::M_OptimizeClick() {
  const auto answer = QMessageBox::question(&form_, QString::fromUtf8(impexp::kOptimizeCaption),
                                            QString::fromUtf8(impexp::kOptimizeQuestion));
  if (answer != QMessageBox::Yes) return;
  ResetNavigation(form_);
  KeepPainting(true);
  Busy busy;
  impexp::OptimizeDrawings(*catalogue_, *this);
}

void MaintenanceCommands::Protocol(const std::string& line) {
  if (protocol_) protocol_->Append(line);
  KeepPainting(false);
}

impexp::MaintenanceHost::Answer MaintenanceCommands::AskReplace(const std::string& item) {
  TQueryDialog dialog(&form_);
  dialog.TypeText()->setText(QString::fromStdString(item));
  QApplication::setOverrideCursor(Qt::ArrowCursor);
  const bool replace = dialog.exec() == QDialog::Accepted;
  QApplication::restoreOverrideCursor();
  return {replace, dialog.CheckBox1()->isChecked()};
}

void MaintenanceCommands::Progress(const std::string& text) {
  form_.SetStatusText(QString::fromStdString(text));
  KeepPainting(false);
}

// Paint events and timers are handled; the user's clicks and keys wait for
// the end of the command, so that nothing changes the tables under it.
void MaintenanceCommands::KeepPainting(bool now) {
  if (!now && sincePaint_.elapsed() < kPaintIntervalMs) return;
  QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
  sincePaint_.restart();
}

}  // namespace talvern
