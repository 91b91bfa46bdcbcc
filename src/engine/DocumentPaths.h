#pragma once
// Document paths: the start folder of the main dialog's file choosers comes from the path of
// the open map document. Both "\" and "/" separate folders, so Windows paths from old
// parameter files and this host's own paths both work.
#include <string>

namespace ui {
class CommonDialog;
}

namespace plotlet {

// The last entry of the application's template list (the open document's full path); with
// `folder` its folder. Never fails: the result is empty when the list cannot be read.
std::string GetDocumentPath(bool folder);

// The part of a path before its last separator, without it: C:\maps\city.mxd gives C:\maps,
// /home/ann/city.pmx gives /home/ann, city.mxd and \city.mxd give "". A path whose trimmed
// text ends in a quote keeps that closing quote after the folder part. A failure shows
// "RemoveFileFromPath_ERR: " and its description and returns what was computed so far.
std::string RemoveFileFromPath(const std::string& path);

// The main dialog's file choosers all start alike: prompt before overwriting, no name
// validation, the path must exist (flags 2306), a cancel raised as error 32755, and the folder
// the dialog remembers.
void PrepareFileChooser(ui::CommonDialog& chooser, const std::string& filter, int filterIndex, const std::string& fileName,
                        const std::string& title, const std::string& initDir);
// The folder of a file chosen in a file chooser, up to and including its last separator: what
// the dialog remembers as its start folder.
std::string FolderOfChosenFile(const std::string& path);

}  // namespace plotlet
