// Stand-in host: dialog templates of a module's resource script (see
// string_resources.h for how a module exports its script).
//
//   101 DIALOGEX 0, 0, 108, 35
//   CAPTION "About"
//   FONT 8, "MS Sans Serif"
//   BEGIN
//     CTEXT "Text", 1004, 4, 5, 99, 24
//     CONTROL "", 1490, "CustEdit", 0, 57, 58, 35, 10
//   END
//
// Control statements: LTEXT, RTEXT, CTEXT, PUSHBUTTON, DEFPUSHBUTTON,
// GROUPBOX, CHECKBOX, AUTOCHECKBOX, RADIOBUTTON, AUTORADIOBUTTON
// ("text", id, x, y, w, h [, style [, exstyle]]), EDITTEXT (id, x, y, w, h
// [, style [, exstyle]]) and CONTROL ("text", id, "class", style, x, y, w, h
// [, exstyle]). Numbers are decimal or 0x hexadecimal, or names from
// "#define NAME value" lines or the usual WS_/BS_/SS_/ES_ style names, joined
// with | (NOT name clears bits). Header statements: CAPTION, FONT (size,
// name [, weight, italic, charset]); STYLE, EXSTYLE, MENU, CLASS, LANGUAGE,
// CHARACTERISTICS and VERSION are accepted and ignored. A statement may go on
// to the next line after a trailing comma or |. Positions are dialog units.
#pragma once
#include <string>
#include <vector>

#include "window.h"

constexpr DWORD WS_DISABLED = 0x08000000;
constexpr DWORD WS_TABSTOP = 0x00010000;

struct DialogControlTemplate {
  int id = -1;                // -1 for none
  ControlKind kind = ControlKind::Other;
  std::wstring windowClass;   // "Button", "Static", "Edit", "CustEdit", ...
  std::wstring caption;
  DWORD style = 0;
  int x = 0, y = 0, cx = 0, cy = 0;
  int line = 0;               // of the script
};

struct DialogTemplate {
  int id = 0;
  int x = 0, y = 0, cx = 0, cy = 0;
  std::wstring caption;
  std::wstring fontName;
  int fontSize = 0;
  std::vector<DialogControlTemplate> controls;  // in template order
};

// Every DIALOG/DIALOGEX block of the script, in script order (other blocks
// are skipped). False at the first malformed template, with "line N: ..."
// in error; out then holds the dialogs before it.
bool ParseDialogTemplates(const char* script, std::vector<DialogTemplate>& out, std::string& error);

// Dialog id of a module's script. False with the reason when the module has
// no script, the script is malformed, or it has no such dialog.
bool LoadDialogTemplate(HINSTANCE hInstance, int id, DialogTemplate& out, std::string& error);
