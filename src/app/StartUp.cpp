#include "StartUp.h"

#include "NumberFormat.h"

#include <QLocale>

namespace quillon {

QString installFolderFor(const QString &executableFolder)
{
    if (executableFolder.left(5).toUpper() == QLatin1String("C:\\US"))
        return QStringLiteral("C:\\korvane2");
    return executableFolder;
}

bool checkRegionalSettings(const QLocale &locale)
{
    constexpr double kThousandsProbe = 10000000;
    constexpr double kDecimalsProbe = 13.456;
    bool compatible = true;
    if (!formatNumber(kThousandsProbe, patterns::kRegionalThousands, locale).contains(u','))
        compatible = false;
    if (!formatNumber(kDecimalsProbe, patterns::kRegionalDecimals, locale).contains(u'.'))
        compatible = false;
    return compatible;
}

std::vector<SettingsCommand> regionalSettingsCommands()
{
    return {
        {QStringLiteral("gnome-control-center"), {QStringLiteral("region")}},
        {QStringLiteral("systemsettings"), {QStringLiteral("kcm_regionandlang")}},
        {QStringLiteral("systemsettings5"), {QStringLiteral("kcm_formats")}},
        {QStringLiteral("cinnamon-settings"), {QStringLiteral("region")}},
        {QStringLiteral("mate-control-center"), {}},
        {QStringLiteral("xfce4-settings-manager"), {}},
    };
}

} // namespace quillon
