#include "common/messages.h"

#include <cstdint>
#include <cstdio>
#include <cstring>

#include "common/language.h"
#include "platform/ui.h"

namespace {

struct ErrorText {
  int code;
  const char* english;
  const char* russian;
};

const ErrorText kTexts[] = {
    {MAPERR_MEMORY, "Memory error for file - ", "Ошибка выделения памяти, файл - "},
    {MAPERR_DISKFULL, "Disk is full - ", "Нет места на диске для файла - "},
    {MAPERR_READ, "Read fault, file - ", "Ошибка чтения файла - "},
    {MAPERR_WRITE, "Write fault , file - ", "Ошибка записи файла - "},
    {MAPERR_DATA, "Invalid data, file - ", "Ошибка структуры файла - "},
    {MAPERR_OPEN, "Open fault, file - ", "Ошибка открытия файла - "},
    {MAPERR_NOTFOUND, "File not found - ", "Файл не найден - "},
    {MAPERR_MANYFILES, "Too many open files - ", "Слишком много открытых файлов - "},
    {MAPERR_OLDVERSION, "Old version of structure - ", "Устаревшая версия структуры данных - "},
    {MAPERR_VERSION, "Error version of  - ", "Ошибочная версия модуля  - "},
    {MAPERR_INPUT, "Invalid input data - ", "Ошибка входных данных - "},
    {MAPERR_RSCCHANGED, "Warning! Classificator is changed - ",
     "Классификатор изменен после создания района - "},
    {MAPERR_NOLIBRARY, "Library not found - ", "Библиотека не найдена - "},
    {MAPERR_BADLIBRARY, "Library is bad - ", "Библиотека некорректна - "},
    {MAPERR_MANYSHEETS, "Too many sheets in map - ", "Слишком большой район работ - "},
    {MAPERR_CREATE, "Create error, file - ", "Ошибка создания файла - "},
    // The codes below are kept by the objects that fail (a classifier's is
    // read with mapGetRscError); their texts let a host show them.
    {MAPERR_PROJECTION, "Unknown projection or ellipsoid - ",
     "Неизвестная проекция или эллипсоид - "},
    {MAPERR_PROJPARAM, "Projection parameters out of range - ",
     "Параметры проекции вне допустимых значений - "},
    {OBJECT_ERR_OUTSIDE, "Object lies outside every sheet - ", "Объект вне листов карты - "},
    {OBJECT_ERR_PIECE, "Part of object not written - ", "Часть объекта не записана - "},
    {MAPERR_RSCRANGE, "Number out of classifier range - ",
     "Номер вне диапазона классификатора - "},
    {GEOMETRY_ERR_METRIC, "Metric too large to process - ",
     "Метрика слишком велика для обработки - "},
    {GEOMETRY_ERR_APART, "Contours neither cross nor contain each other - ",
     "Контуры не пересекаются и не вложены - "},
    {GEOMETRY_ERR_OPEN, "Area contour is not closed - ", "Контур площади не замкнут - "},
    {GEOMETRY_ERR_LARGE, "Result exceeds 16 MB - ", "Результат больше 16 Мбайт - "},
    {GEOMETRY_ERR_PIECE, "Part of area cannot be closed - ",
     "Часть площади не может быть замкнута - "},
    {RSCERR_EXIST, "Object kind already exists - ", "Такой вид объекта уже есть - "},
    {RSCERR_APPEND, "Object kind not appended - ", "Вид объекта не добавлен - "},
    {RSCERR_PARM, "Invalid description of object kind - ", "Ошибка описания вида объекта - "},
    {RSCERR_SEGNAME, "Layer name already used - ", "Слой с таким именем уже есть - "},
    {RSCERR_SEMRANGE, "Semantic code out of range 1-65500 - ",
     "Код семантики вне диапазона 1-65500 - "},
    {RSCERR_SEMSYSTEM, "System or series semantic cannot be changed - ",
     "Системная семантика или семантика серии не изменяется - "},
    {RSCERR_SEMEXIST, "Semantic code already used - ", "Код семантики уже занят - "},
    {RSCERR_SEMTYPE, "Type of series semantic cannot be changed - ",
     "Тип семантики серии не изменяется - "},
    {RSCERR_SEMREPLY, "Repetition of series semantic cannot be changed - ",
     "Повторяемость семантики серии не изменяется - "},
    {RSCERR_SEMDEF, "Minimum, default and maximum out of order - ",
     "Нарушен порядок минимума, умолчания и максимума - "},
};

const ErrorText kUnknown = {0, "Unknown error - ", "Неизвестная ошибка - "};

int g_messageEnabled = 1;
HWND g_messageWindow = nullptr;
char g_messageText[MC_MESSAGE_TEXT_SIZE] = "";

// Appends at most limit bytes of src to dst[size] and keeps it terminated;
// the text is cut at the buffer's end when it does not fit.
void AppendBounded(char* dst, size_t size, const char* src, size_t limit) {
  size_t used = std::strlen(dst);
  if (used + 1 >= size) return;
  size_t room = size - 1 - used;
  size_t n = 0;
  while (n < limit && n < room && src[n]) ++n;
  std::memcpy(dst + used, src, n);
  dst[used + n] = 0;
}

}  // namespace

const char* MapErrorText(int code, int language) {
  const ErrorText* found = &kUnknown;
  for (const ErrorText& t : kTexts) {
    if (t.code == code) {
      found = &t;
      break;
    }
  }
  return language == MAPLANG_RUSSIAN ? found->russian : found->english;
}

const char* LastMessageText() { return g_messageText; }

int ShowErrorMessageEx(HWND owner, int code, const char* name) {
  const int language = LanguageGet();
  g_messageText[0] = 0;
  AppendBounded(g_messageText, sizeof(g_messageText), MapErrorText(code, language),
                sizeof(g_messageText));
  if (name) AppendBounded(g_messageText, sizeof(g_messageText), name, MC_MESSAGE_NAME_LIMIT);
  // The code of a reported failure reaches the host's window whether or not
  // messages are shown: a host without message boxes learns it there.
  if (code != 0) SendErrorMessage(g_messageWindow, code, 0);
  if (g_messageEnabled == 0) return 0;
  const char* caption =
      language == MAPLANG_RUSSIAN ? "Обработчик ошибок" : "Error Message";
  // Without a host's message box the message goes to the standard error
  // stream, where a failure must always name what failed: a missing name
  // is said as such rather than left blank.
  if ((name == nullptr || *name == 0) && !plat::HasMessageBoxHook()) {
    char text[MC_MESSAGE_TEXT_SIZE + 64];
    std::snprintf(text, sizeof(text), "%s%s", g_messageText,
                  language == MAPLANG_RUSSIAN ? "(имя не задано)" : "(no name given)");
    return plat::MessageBoxA(owner, text, caption, MC_ERROR_BOX_FLAGS);
  }
  return plat::MessageBoxA(owner, g_messageText, caption, MC_ERROR_BOX_FLAGS);
}

int ShowErrorMessage(int code, const char* name) { return ShowErrorMessageEx(nullptr, code, name); }

int MessageEnableSet(int enable) {
  int old = g_messageEnabled;
  g_messageEnabled = enable;
  return old;
}

int MessageEnableGet() { return g_messageEnabled; }

HWND MessageWindowSet(HWND window) {
  HWND old = g_messageWindow;
  g_messageWindow = window;
  return old;
}

HWND MessageWindowGet() { return g_messageWindow; }

// ---------------------------------------------------------------------------

TProgress::TProgress(HWND window) : window_(window ? window : g_messageWindow) {}

TProgress::~TProgress() { End(); }

bool TProgress::Send(WPARAM w, LPARAM l) {
  if (!g_messageEnabled || !window_) return true;
  if (plat::SendMessageA(window_, WM_MAP_PROGRESS, w, l) == WM_MAP_PROGRESS) cancelled_ = true;
  return !cancelled_;
}

bool TProgress::Start(const char* title) {
  title_ = title;
  last_ = -1;
  started_ = true;
  return Send(static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(title));
}

bool TProgress::Percent(int percent) {
  if (cancelled_) return false;
  if (percent < 0) percent = 0;
  if (percent > 100) percent = 100;
  if (last_ >= 0 && percent < last_ + 1) return true;
  last_ = percent;
  return Send(static_cast<WPARAM>(percent), reinterpret_cast<LPARAM>(title_));
}

bool TProgress::Step(int64_t done, int64_t total) {
  if (total <= 0) return Percent(100);
  if (done < 0) done = 0;
  if (done > total) done = total;
  // done x 100 would overflow for totals near the 64-bit range: divide the
  // total first there (a percentage needs no more precision).
  const int64_t percent =
      total > INT64_MAX / 100 ? done / (total / 100) : done * 100 / total;
  return Percent(static_cast<int>(percent > 100 ? 100 : percent));
}

void TProgress::End() {
  if (!started_) return;
  started_ = false;
  if (g_messageEnabled && window_)
    plat::SendMessageA(window_, WM_MAP_PROGRESS, static_cast<WPARAM>(-2), 0);
}

void SendStepMessage(HWND window, int step, int count) {
  if (window) plat::SendMessageA(window, WM_MAP_ERROR_STEP, static_cast<WPARAM>(step), count);
}

void SendErrorMessage(HWND window, int code, LPARAM parameter) {
  if (window)
    plat::SendMessageA(window, WM_MAP_ERROR, static_cast<WPARAM>(static_cast<intptr_t>(code)),
                       parameter);
}
