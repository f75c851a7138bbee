#include "settings/SettingKeys.h"

#include "platform/Paths.h"
#include "platform/ProgramFolder.h"

namespace quillon {

QString defaultBackupPath()
{
    return withTrailingSeparator(userDataFolder() + nativeSeparator() + QStringLiteral("backups"));
}

} // namespace quillon
