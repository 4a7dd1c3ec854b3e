// Stand-in host: the interface of the host's custom button ("CustButton"
// window class). GetICustButton hands out an interface on the window;
// release it with ReleaseICustButton. A check button bound to a parameter
// shows the parameter (its checked state is read back from the block).
#pragma once
#include "host_types.h"
#include "window.h"

enum CustButType { CBT_PUSH = 0, CBT_CHECK = 1 };

class ICustButton {
 public:
  explicit ICustButton(HWND hWnd) : hWnd_(hWnd) {}
  virtual ~ICustButton() = default;

  virtual void Enable(BOOL onOff = TRUE);
  virtual void Disable() { Enable(FALSE); }
  virtual BOOL IsEnabled();
  virtual void SetType(CustButType type);
  virtual BOOL IsCheckButton();
  virtual void SetCheck(BOOL checked);
  virtual BOOL IsChecked();
  virtual void SetText(const MCHAR* text);
  virtual void GetText(MCHAR* text, int size);
  HWND GetHwnd() { return hWnd_; }

 private:
  HWND hWnd_;
};

// nullptr when hWnd is not a live "CustButton" window.
ICustButton* GetICustButton(HWND hWnd);
void ReleaseICustButton(ICustButton* button);
