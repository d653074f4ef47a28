#pragma once
// The application's collection of loaded windows, in loading order. Every window and dialog of
// ours derives from cLoadedWindow with its class name ("mfrmMain", "frmImage", ...): it joins the
// collection when it is constructed and leaves it when it unloads or is destroyed. Callers walk
// the collection by position (0 to Count() - 1), look at the class name and reach the window's
// own operations by casting to its class or to an interface it implements.
//
// Positions are those of the moment: a window that leaves moves every later one down by one, so
// a position stays valid only while no window unloads.

#include <cstdint>
#include <string>
#include <vector>

class QWidget;

namespace brennic {

class cLoadedWindow {
 public:
  cLoadedWindow(const cLoadedWindow&) = delete;
  cLoadedWindow& operator=(const cLoadedWindow&) = delete;

  const std::string& ClassName() const { return m_sClassName; }
  // The window itself. By default the QWidget this object is part of.
  virtual QWidget* Window();
  // Whether the window is still in the collection.
  bool Loaded() const { return m_bLoaded; }

  // The typed object, or nullptr when it is not one (for example a fake in a test).
  template <class T>
  T* As() {
    return dynamic_cast<T*>(this);
  }

 protected:
  explicit cLoadedWindow(std::string sClassName);
  virtual ~cLoadedWindow();

  // Leaves the collection while the object lives on, as a dialog whose results are still read
  // after its window has gone. Idempotent.
  void Unloaded();

 private:
  std::string m_sClassName;
  bool m_bLoaded = true;
};

class cLoadedWindows {
 public:
  int32_t Count() const { return static_cast<int32_t>(m_windows.size()); }
  // The window at lIndex, or nullptr outside 0 .. Count() - 1.
  cLoadedWindow* Item(int32_t lIndex) const;
  // The position of a window, or -1 when it is not loaded.
  int32_t IndexOf(const cLoadedWindow* pWindow) const;

  template <class T>
  T* ItemAs(int32_t lIndex) const {
    cLoadedWindow* p = Item(lIndex);
    return p == nullptr ? nullptr : p->As<T>();
  }

 private:
  friend class cLoadedWindow;
  void Add(cLoadedWindow* pWindow);
  void Remove(const cLoadedWindow* pWindow);

  std::vector<cLoadedWindow*> m_windows;
};

// The one collection of the process (user-interface thread only).
cLoadedWindows& LoadedWindows();

// What a close request asks of a document window before the application ends: whether it holds
// unsaved changes, and, when it does, whether the user lets the close go on (the document may
// save first). QuerySave returns false when the close is to be refused.
class IQuerySave {
 public:
  virtual ~IQuerySave() = default;
  virtual bool Dirty() const = 0;
  virtual bool QuerySave() = 0;
};

// The class name of image documents.
inline constexpr const char* kImageDocumentClass = "frmImage";

}  // namespace brennic
