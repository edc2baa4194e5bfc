/* A host written in C99 that learns why calls fail through the C functions
 * alone: the codes of reported failures arrive at its message window
 * (message 1415) with messages switched off or on, the texts in its
 * message box while they are on, and a classifier keeps the code of its
 * last failure. Exits 0 when every check holds and prints each failed
 * check. argv[1] is a folder for its files. */
#include <stdio.h>
#include <string.h>

#include "host_common.h"

/* What the host window and the message box last received. */
static int codes = 0, lastCode = 0, boxes = 0;
static char lastText[400];

static LRESULT CALLBACK Window(HWND window, UINT message, WPARAM wparam, LPARAM lparam,
                               void* context) {
  (void)window, (void)lparam, (void)context;
  if (message == WM_MAP_ERROR) ++codes, lastCode = (int)wparam;
  return 0;
}

static int Box(HWND owner, const char* text, const char* caption, UINT flags, void* context) {
  (void)owner, (void)caption, (void)flags, (void)context;
  ++boxes;
  snprintf(lastText, sizeof lastText, "%s", text);
  return IDOK;
}

static void Forget(void) { codes = lastCode = boxes = 0, lastText[0] = 0; }

/* A file that could not be opened or made: with messages off its code
 * alone arrives, with messages on the text names the file as well. */
static void ExpectOpenFault(int enabled, const char* path) {
  char text[600];
  snprintf(text, sizeof text, "Open fault, file - %s", path);
  CHECK(codes == 1 && lastCode == MAPERR_OPEN);
  CHECK(boxes == (enabled ? 1 : 0));
  CHECK(!enabled || strcmp(lastText, text) == 0);
}

static void ClassifierFiles(const char* folder, int enabled) {
  char path[512];
  mapMessageEnable(enabled);
  snprintf(path, sizeof path, "%s/no-such-folder/a.rsc", folder);
  Forget();
  CHECK(PkgHostCreateRsc(path, "A") == 0);
  ExpectOpenFault(enabled, path);
  snprintf(path, sizeof path, "%s/missing.rsc", folder);
  Forget();
  CHECK(mapOpenRsc(path) == 0);
  ExpectOpenFault(enabled, path);
}

/* A semantic code used twice: the classifier keeps 60207, whose text is
 * its own in both languages; a call that succeeds clears the code. */
static void SemanticTwice(const char* folder) {
  char path[512];
  RSCSEMANTIC semantic;
  HRSC rsc;
  snprintf(path, sizeof path, "%s/twice.rsc", folder);
  rsc = PkgHostCreateRsc(path, "TWICE");
  CHECK(rsc != 0);
  if (rsc == 0) return;
  memset(&semantic, 0, sizeof semantic);
  semantic.Code = 700;
  semantic.Type = RSCSEMTYPE_STRING;
  strcpy(semantic.Name, "NAME");
  CHECK(mapAppendRscSemantic(rsc, &semantic) == 700);
  CHECK(mapGetRscError(rsc) == 0);
  CHECK(mapAppendRscSemantic(rsc, &semantic) == 0);
  CHECK(mapGetRscError(rsc) == RSCERR_SEMEXIST);

  mapMessageEnable(1);
  Forget();
  mapErrorMessage(mapGetRscError(rsc), "700");
  CHECK(strcmp(lastText, "Semantic code already used - 700") == 0);
  SetMapAccessLanguage(2);
  mapErrorMessage(RSCERR_SEMEXIST, "700");
  /* "Код семантики уже занят - 700" in code page 1251. */
  CHECK(strcmp(lastText, "\xCA\xEE\xE4 \xF1\xE5\xEC\xE0\xED\xF2\xE8\xEA\xE8 \xF3\xE6\xE5 "
                         "\xE7\xE0\xED\xFF\xF2 - 700") == 0);
  SetMapAccessLanguage(1);
  CHECK(boxes == 2);
  semantic.Code = 701;
  CHECK(mapAppendRscSemantic(rsc, &semantic) == 701);
  CHECK(mapGetRscError(rsc) == 0);
  CHECK(PkgHostAppendKind(rsc, 31120000, LOCAL_LINE, "ROAD") > 0);
  CHECK(mapCloseRsc(rsc) == 1);
}

/* A map's own failures: its classifier missing when it is made, and a
 * file that is no map. */
static void MapFiles(const char* folder) {
  char path[512], rsc[512];
  FILE* junk;
  mapMessageEnable(0);
  snprintf(path, sizeof path, "%s/lost.map", folder);
  snprintf(rsc, sizeof rsc, "%s/lost.rsc", folder);
  Forget();
  CHECK(PkgHostMakeMap(path, rsc, "LOST", 6000000.0, 7400000.0, 1000.0) == 0);
  CHECK(codes >= 1 && lastCode == MAPERR_OPEN && boxes == 0);

  snprintf(path, sizeof path, "%s/junk.map", folder);
  junk = fopen(path, "wb");
  CHECK(junk != NULL);
  if (junk == NULL) return;
  fputs("this is not a map, only text long enough to be read as a header", junk);
  fclose(junk);
  Forget();
  CHECK(mapOpenMap(path, 0) == 0);
  CHECK(codes >= 1 && lastCode != 0 && boxes == 0);
}

int main(int argc, char** argv) {
  HWND window;
  if (argc < 2) {
    fprintf(stderr, "usage: host_errors <folder>\n");
    return 2;
  }
  window = platCreateWindow(Window, NULL, 100, 100);
  CHECK(window != 0);
  CHECK(mapSetHandleForMessage(window) == 0);
  platSetMessageBoxHook(Box, NULL);

  ClassifierFiles(argv[1], 0);
  ClassifierFiles(argv[1], 1);
  SemanticTwice(argv[1]);
  MapFiles(argv[1]);

  mapSetHandleForMessage(0);
  platSetMessageBoxHook(NULL, NULL);
  CHECK(platDestroyWindow(window) == 1);
  if (pkghost_failures == 0) printf("C error host: every failure's code read\n");
  return pkghost_failures == 0 ? 0 : 1;
}
