#pragma once
// The Image menu's dialog commands, "&Custom Defined", "&Resample..." and "Co&mbine...". The
// menu handler calls them once it has found the active image document. Each clears the main
// window's topmost state so that its dialog can stand in front of it, creates the dialog, shows
// it modally over the main window (the dialog hands the topmost layer back when it closes) and,
// unless the user cancelled, runs the document's side of the command. Each returns whether
// something was applied; failures of the document's operations pass to the caller.
//
// The document is any type with the image document's operations (frmImage, or a fake in tests).

#include <QWidget>
#include <functional>
#include <utility>

#include "document/frmNewSize.h"
#include "filters/frmCustomFilter.h"
#include "frame/frmCombination.h"
#include "frame/mdlToolBar2.h"
#include "image/cImageProcessDIB.h"

namespace brennic {

// The editor, previewing on the document's picture; an accepted filter is loaded into the
// document and run as eCustom.
template <class TDocument>
bool RunCustomFilterDialog(QWidget* pMain, TDocument& document) {
  SetTopMost(pMain, false);
  frmCustomFilter dialog(pMain, SetTopMost);
  dialog.SetPreviewPicture(&std::as_const(document.Document()).Picture());
  dialog.exec();
  if (dialog.Cancelled()) return false;
  document.LoadCustomFilter(dialog.ImageProcess());
  document.ProcessImage(eCustom);
  return true;
}

// The resample dialog over the document's size; the document is resampled to the chosen size.
template <class TDocument>
bool RunResampleDialog(QWidget* pMain, TDocument& document) {
  SetTopMost(pMain, false);
  frmNewSize dialog(pMain, SetTopMost);
  dialog.SetSize(document.ImageWidth(), document.ImageHeight());
  dialog.exec();
  if (dialog.Cancelled()) return false;
  document.Resample(dialog.ImageWidth(), dialog.ImageHeight());
  return true;
}

// The combine dialog; when accepted, fnCombine creates a new document, shows it (not modally)
// and runs its Combine with the dialog, whose properties it reads.
bool RunCombineDialog(QWidget* pMain, const std::function<void(const frmCombination&)>& fnCombine);

}  // namespace brennic
