#include "settings/StoredOptions.h"

#include "platform/Paths.h"
#include "settings/SettingKeys.h"
#include "settings/Settings.h"

namespace quillon {

TagOptions tagOptionsFromSettings(const Settings& settings)
{
    TagOptions options;
    options.online = settings.isTrue(keys::OnlineMode);
    options.addBorder = settings.read(keys::BorderReact) == QLatin1String(values::Two);
    // Written into the page as it stands, so only a size the program offers goes in.
    options.borderSize = QString::number(settings.readIndex(keys::BorderSizeIndex, 0, 10));
    options.addAlt = settings.read(keys::AltReact) == QLatin1String(values::Two);
    bool isNumber = false;
    const double index = settings.read(keys::AltTextIndex).trimmed().toDouble(&isNumber);
    options.altTextIndex = isNumber ? std::optional<double>(index) : std::nullopt;
    options.altText = settings.read(keys::AltText);
    options.generateBackups = settings.isTrue(keys::GenerateBackups);
    options.globalBackups = settings.read(keys::BackupMode) == QLatin1String(values::Global);
    options.backupPath = withTrailingSeparator(settings.read(keys::BackupPath));
    // The program's own folder is made when first needed; a folder the user chose must be there.
    options.makeBackupFolder = options.backupPath == defaultBackupPath();
    options.siteRoot = settings.read(keys::SiteRoot);
    return options;
}

} // namespace quillon
