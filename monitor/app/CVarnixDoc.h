#pragma once

#include "automation/core/ApplicationLock.h"
#include "automation/core/Dispatchable.h"

#include <QString>

// The document of the varnix program ("Varnix.Document"). It holds no data:
// loading reads nothing and storing writes nothing. Its automation interface
// has no members. It locks the program while it exists.
class CVarnixDoc : public Dispatchable {
public:
    static constexpr const char* kProgId = "Varnix.Document";
    static constexpr const char* kClassId = "{7C3E9A52-0B4D-4F61-8D2A-6E1F0C9B5A01}";
    static constexpr const char* kInterfaceId = "{7C3E9A52-0B4D-4F61-8D2A-6E1F0C9B5A02}";
    static constexpr const char* kTypeName = "Varnix Document";

    CVarnixDoc() = default;

    static const DispatchMap& Map();
    const DispatchMap& GetDispatchMap() const override { return Map(); }

    // A new, untitled document.
    void OnNewDocument();
    // Any readable file opens as an empty document titled after the file.
    // False with the reason in `error` when the file cannot be read.
    bool OnOpenDocument(const QString& path, QString& error);
    // Saves the empty document under `path`: a new file is created empty; an
    // existing file keeps its content, as the document has nothing that
    // could replace it. False with the reason when the file cannot be made.
    bool OnSaveDocument(const QString& path, QString& error);

    const QString& PathName() const { return pathName_; }
    // "Untitled", or the file name of the document's path.
    QString Title() const;

private:
    ApplicationLock::Holder lock_;
    QString pathName_;
};
