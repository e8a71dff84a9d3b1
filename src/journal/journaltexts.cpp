#include "journaltexts.h"

#include <QSysInfo>

#include <array>
#include <pwd.h>
#include <unistd.h>
#include <utility>

namespace Journal {

namespace {

constexpr std::array<std::pair<EndReason, const char *>, 11> EndReasons {{
    {EndReason::Running, "running"},
    {EndReason::EndValue, "end_value"},
    {EndReason::EndVolume, "end_volume"},
    {EndReason::TableFull, "table_full"},
    {EndReason::Stopped, "stopped"},
    {EndReason::NoReply, "no_reply"},
    {EndReason::PortError, "port_error"},
    {EndReason::DocumentClosed, "document_closed"},
    {EndReason::Interrupted, "interrupted"},
    {EndReason::Report, "report"},
    {EndReason::Import, "import"},
}};

constexpr std::array<std::pair<RunKind, const char *>, 3> RunKinds {{
    {RunKind::Incremental, "incremental"},
    {RunKind::Report, "report"},
    {RunKind::Import, "import"},
}};

template<typename Enum, std::size_t N>
QString textOf(const std::array<std::pair<Enum, const char *>, N> &table, Enum value)
{
    for (const auto &[v, text] : table) {
        if (v == value)
            return QString::fromLatin1(text);
    }
    return {};
}

template<typename Enum, std::size_t N>
std::optional<Enum> valueOf(
    const std::array<std::pair<Enum, const char *>, N> &table, const QString &text)
{
    for (const auto &[v, t] : table) {
        if (text == QLatin1StringView(t))
            return v;
    }
    return std::nullopt;
}

QString loginName()
{
    // The account's name, not $USER: a shell may set that to anything.
    if (const passwd *pw = ::getpwuid(::geteuid()); pw && pw->pw_name)
        return QString::fromLocal8Bit(pw->pw_name);
    return qEnvironmentVariable("USER");
}

} // namespace

QString endReasonText(EndReason reason)
{
    return textOf(EndReasons, reason);
}

std::optional<EndReason> endReasonFromText(const QString &text)
{
    return valueOf(EndReasons, text);
}

QString runKindText(RunKind kind)
{
    return textOf(RunKinds, kind);
}

std::optional<RunKind> runKindFromText(const QString &text)
{
    return valueOf(RunKinds, text);
}

Origin currentOrigin(const QString &programVersion)
{
    return {loginName(), QSysInfo::machineHostName(), programVersion};
}

} // namespace Journal
