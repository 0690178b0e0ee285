#pragma once
// The texts of the maintenance commands: protocol lines, errors, captions and
// questions, in UTF-8. Protocol lines about one item begin with "[" + the
// item + "] ".

namespace talvern::impexp {

// Export.
inline constexpr char kExportFinished[] = "Экспорт завершен.";

// Import.
inline constexpr char kImporting[] = "Импортируется ";
inline constexpr char kImportFinished[] = "Импорт завершен.";
inline constexpr char kBadFileStructure[] = "Ошибка в структуре файла импорта.";
inline constexpr char kNoTableHeader[] = "Нет заголовка таблицы.";
inline constexpr char kNoColumnHeader[] = "Нет заголовка колонки ";
inline constexpr char kBadImportValue[] = "Недопустимое значение поля \"IMPORT\"";
// A conflict that a run without questions skips (the command-line import).
inline constexpr char kSkippedConflict[] = "уже имеется в базе, пропущено";
// A kind that vids.dbf does not have: its devices could not be reached.
inline constexpr char kUnknownKind[] = "Вид %d отсутствует в базе.";
// A device row without a type.
inline constexpr char kEmptyType[] = "Пустое значение поля \"TYPE\"";
// The status bar during a device import: how much of the file is read.
inline constexpr char kImportProgress[] = "Импорт... %d%%";
// A table file written in UTF-8 instead of code page 866.
inline constexpr char kUtf8TableFile[] = "Файл в кодировке UTF-8 прочитан с переводом в кодовую страницу 866.";
// SMD code lines that are not UTF-8 are read as code page 866.
inline constexpr char kOemCodeLines[] = "Строки кодов не в кодировке UTF-8 прочитаны как кодовая страница 866.";

// Drawings.
inline constexpr char kPictureTooLarge[] = " - размер рисунка более 640*480.";
inline constexpr char kBadDrawingCode[] = "Ошибка в значении ключа Pics.PIC=";
inline constexpr char kNoFreeDrawingCode[] = "Нет свободного кода рисунка: последний код ";

// SMD codes.
inline constexpr char kSmdCodes[] = "Кодовые обозначения SMD элементов";
inline constexpr char kLoadingCodes[] = "Загрузка базы...";
inline constexpr char kSortingCodes[] = "Сортировка...";
inline constexpr char kImportingCodes[] = "Импорт...";
inline constexpr char kSavingCodes[] = "Сохранение базы...";
inline constexpr char kDeleteError[] = "Ошибка удаления файла ";
inline constexpr char kBackupError[] = "Ошибка создания резервной копии ";

// Picture update.
inline constexpr char kUpdatingPictures[] = "Обновление базы рисунков...";
inline constexpr char kUpdateFinished[] = "Обновление завершено";
// The status bar during the update: the drawing being loaded.
inline constexpr char kUpdateProgress[] = "Обновление рисунков: %s";

// Optimisation.
inline constexpr char kOptimizeCaption[] = "Оптимизация базы";
inline constexpr char kOptimizeQuestion[] =
    "Будет выполнен поиск и удаление неиспользуемых в базе чертежей корпусов.";
inline constexpr char kOptimizeFinished[] = "Завершена оптимизация";

}  // namespace talvern::impexp
