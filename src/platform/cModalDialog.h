#pragma once
// cModalDialog: what the program's modal dialogs share.
//
// - A dialog is a loaded window of its class ("frmNewSize", ...) from construction until it
//   unloads; afterwards the object lives on so that the caller can read its results until it
//   releases it.
// - It loads when it is first shown: it is placed over its owner, put into the topmost layer
//   and then runs Load. It unloads when it closes, however that happens (its buttons, Escape,
//   the close box): Unload runs and the owner, the main window, takes the topmost layer back.
//   The topmost layer is changed through a function the caller hands in (the frame's
//   SetTopMost), which keeps this layer free of the frame.
// - Cancelled is true from load until the dialog accepts.
// - Controls are laid out in twips, converted with the screen's twips per pixel. Controls that
//   form an array share an objectName and carry their index in the property "Index"; a
//   control's tag text is its property "Tag"; a text box's background colour, in the program's
//   colour encoding, is its property "BackColor".

#include <QDialog>
#include <QFont>
#include <QString>
#include <cstdint>
#include <functional>

#include "platform/cLoadedWindows.h"

namespace brennic {

// Puts a window into (true) or out of (false) the topmost layer.
using TopMostFunction = std::function<void(QWidget*, bool)>;

class cModalDialog : public QDialog, public cLoadedWindow {
  Q_OBJECT

 public:
  ~cModalDialog() override;

  // True from load until the dialog accepted its entries.
  bool Cancelled() const { return m_bCancelled; }
  // The window that takes the topmost layer back when the dialog unloads.
  QWidget* MainWindow() const { return m_pMainWindow; }

  void setVisible(bool bVisible) override;
  void done(int iResult) override;

  // The tag text of a control ("" when it has none).
  static QString Tag(const QWidget* pControl);
  static void SetTag(QWidget* pControl, const QString& sTag);
  // The index of a control of an array, -1 when it belongs to none.
  static int Index(const QWidget* pControl);
  // The control of the array sName with index iIndex below pParent, or nullptr.
  template <class T>
  static T* IndexedChild(const QObject* pParent, const QString& sName, int iIndex) {
    for (T* p : pParent->findChildren<T*>(sName)) {
      if (Index(p) == iIndex) return p;
    }
    return nullptr;
  }
  // A text box's background in the program's colour encoding (0x80000005 for the system
  // window colour, 0x8000000F for button face); -1 when never set.
  static int32_t BackColor(const QWidget* pControl);
  static void SetBackColor(QWidget* pControl, int32_t lColor);

  // Tahoma at 8.25 points; a sans-serif face of the desktop stands in where Tahoma is missing.
  static QFont DialogFont();

 protected:
  // pMainWindow owns the dialog; fnTopMost (may be empty) moves windows between the layers.
  cModalDialog(const char* sClassName, QWidget* pMainWindow, TopMostFunction fnTopMost,
               Qt::WindowType eKind = Qt::Dialog);

  // Runs once, when the dialog is first shown, after it became topmost and Cancelled true.
  virtual void Load() {}
  // Runs once, when the dialog closes, before the main window is made topmost again.
  virtual void Unload() {}

  // Accepting the entries: Cancelled becomes false.
  void SetAccepted() { m_bCancelled = false; }

  // The client area's size in twips (the dialog cannot be resized).
  void SetClientTwips(double dWidth, double dHeight);
  // Places a control at a design position in twips, relative to its parent.
  static void PlaceTwips(QWidget* pControl, double dLeft, double dTop, double dWidth,
                         double dHeight);
  // Names a control of an array.
  static void SetIndexedName(QWidget* pControl, const char* sName, int iIndex);

 private:
  QWidget* m_pMainWindow;
  TopMostFunction m_fnTopMost;
  bool m_bCancelled = true;
  bool m_bShownOnce = false;
  bool m_bUnloaded = false;
};

// The system window colour, the background of a text box that can be edited.
inline constexpr int32_t kSysWindowColor = static_cast<int32_t>(0x80000005);

}  // namespace brennic
