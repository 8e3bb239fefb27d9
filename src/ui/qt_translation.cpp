#include "ui/qt_translation.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

namespace vexilo {

bool installQtTranslation(const std::string& code) {
    QCoreApplication* app = QCoreApplication::instance();
    if (!app) return false;
    // The application owns the one translator, so that a change of pack replaces it.
    static constexpr const char* kName = "VexiloQtTranslator";
    if (auto* old = app->findChild<QTranslator*>(QLatin1String(kName), Qt::FindDirectChildrenOnly)) {
        QCoreApplication::removeTranslator(old);
        delete old;
    }
    if (code.empty()) return false;
    auto* translator = new QTranslator(app);
    translator->setObjectName(QLatin1String(kName));
    if (!translator->load(QLocale(QString::fromStdString(code)), QStringLiteral("qtbase"),
                          QStringLiteral("_"), QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        delete translator;
        return false;
    }
    return QCoreApplication::installTranslator(translator);
}

}  // namespace vexilo
