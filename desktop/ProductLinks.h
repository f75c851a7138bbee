#pragma once

#include <QString>

namespace quillon::links {

// Where the product lives on the web, shown in the About box and the Help menu
// and named in error messages.
inline constexpr char AuthorPage[] = "https://www.brambleworth.example/quillon/";
inline constexpr char ResourcesSite[] = "https://www.brambleworth.example/resources/";
inline constexpr char MailAddress[] = "quillon@brambleworth.example";

inline QString mailLink()
{
    return QStringLiteral("mailto:") + QLatin1String(MailAddress);
}

} // namespace quillon::links
