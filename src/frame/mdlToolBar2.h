#pragma once
// mdlToolBar2: putting a window into or out of the topmost layer. The main window is topmost
// while no dialog is open; each modal dialog takes that place while it is shown.

class QWidget;

namespace brennic {

// Places the window at its own left, top, width and height converted from twips to pixels
// (halves to even) and puts it into the topmost layer (bTopMost) or out of it. A visible window
// is raised and activated; a hidden one stays hidden. The native window is never re-created:
// its id, place and size stay. nullptr does nothing.
void SetTopMost(QWidget* pWindow, bool bTopMost);

}  // namespace brennic
