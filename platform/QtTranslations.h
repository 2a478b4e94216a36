#pragma once
// Qt's own Japanese catalogues (file and folder dialogs, the buttons of
// message boxes, the context menus of text fields), so that what Qt draws
// speaks the family's language. Every window program holds one from the
// start of main() to its end.

#include <QString>

#include <memory>

class QTranslator;

namespace platform {

class QtTranslations {
public:
    // Loads and installs the catalogues; needs the application object.
    QtTranslations();
    ~QtTranslations();
    QtTranslations(const QtTranslations&) = delete;
    QtTranslations& operator=(const QtTranslations&) = delete;

    // False when the catalogues are not installed (Qt then speaks English).
    bool loaded() const { return installed_; }
    // The folder looked in.
    static QString folder();

private:
    std::unique_ptr<QTranslator> translator_;
    bool installed_ = false;
};

} // namespace platform
