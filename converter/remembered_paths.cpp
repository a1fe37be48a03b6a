#include "converter/remembered_paths.h"

#include "mission/core/text.h"

namespace vok::converter {

ui::FileRequest missionFileRequest(ui::SettingsStore& settings, bool binary, const QString& key, const QString& title) {
    ui::FileRequest request;
    request.title = title;
    request.filter = binary ? kBinaryFilter : kAsciiFilter;
    request.filterIndex = 1;
    request.initialFolder = rememberedFolder(settings, key);
    request.defaultExtension = binary ? QStringLiteral("BMS") : QStringLiteral("MIS");
    return request;
}

QString rememberedFolder(ui::SettingsStore& settings, const QString& key) {
    return settings.read(kSettingsApplication, kSettingsSection, key, ui::defaultFolder());
}

void rememberFolderOf(ui::SettingsStore& settings, const QString& key, const QString& chosenPath) {
    settings.write(kSettingsApplication, kSettingsSection, key, folderOf(chosenPath));
}

// Separators and periods are single bytes in UTF-8, so the byte-wise helpers work on it unchanged.
QString folderOf(const QString& path) { return QString::fromStdString(FolderOf(path.toStdString())); }

QString fileTitleOf(const QString& path) { return QString::fromStdString(FileTitleOf(path.toStdString())); }

}  // namespace vok::converter
