#pragma once

// The texts of the varnix program's user interface.
namespace VarnixResources {

// The application title (string 57344), also the last part of the settings key.
inline constexpr const char* kAppTitle = "Varnix";
// String 100: the automation runtime (here: the session bus) could not be reached.
inline constexpr const char* kOleInitFailed =
    "OLE initialization failed.  Make sure that the OLE libraries are the correct version.";
inline constexpr const char* kUnregistered =
    "System registry entries have been removed and the INI file (if any) was deleted.";
// The title of a document that has no file yet.
inline constexpr const char* kUntitled = "Untitled";

inline constexpr const char* kAboutCaption = "About Varnix";
// The program's version, as the About box gives it ("Varnix Version 1.6") and --version.
inline constexpr const char* kVersion = "1.6";

}  // namespace VarnixResources
