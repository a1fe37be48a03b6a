#pragma once
// The converter's file dialog requests and the folders it remembers per command in the per-user
// settings store (application "Vok_Sorrel", section "Paths").

#include <QString>

#include "ui/seams.h"

namespace vok::converter {

inline const QString kSettingsApplication = QStringLiteral("Vok_Sorrel");
inline const QString kSettingsSection = QStringLiteral("Paths");

inline const QString kBinaryFilter = QStringLiteral("Binary Mission Files (*.BMS)|*.BMS|All Files (*.*)|*.*");
inline const QString kAsciiFilter = QStringLiteral("Ascii Mission Files (*.MIS)|*.MIS|All Files (*.*)|*.*");

/// The folder remembered under `key` ("LastOpenBMS" ...), the platform's default folder when none is.
QString rememberedFolder(ui::SettingsStore& settings, const QString& key);

/// A file dialog request for a mission file of one form: its filter (shown first), default
/// extension and title, starting in the folder remembered under `key`.
ui::FileRequest missionFileRequest(ui::SettingsStore& settings, bool binary, const QString& key, const QString& title);

/// Remembers the folder of a chosen file under `key`.
void rememberFolderOf(ui::SettingsStore& settings, const QString& key, const QString& chosenPath);

/// The folder part of a path, ending with its separator.
QString folderOf(const QString& path);
/// The file name of a path, without its folder.
QString fileTitleOf(const QString& path);

}  // namespace vok::converter
