#pragma once

#include <QSet>
#include <QStringList>

#include <functional>

namespace quillon {

// The pages to be tagged, in the order they came, for the window and for
// quillon-tag alike. A page is a file named *.htm or *.html, whatever the
// letter case of the extension. A folder stands for its pages sorted by path;
// a name that starts with "." is hidden and, as it is seldom meant to be
// published, left out of a folder (a hidden folder is not walked either),
// while a file named on its own is taken whatever its name. A file reached by
// two paths (a link, "a/../a/p.html") is listed once: the file system tells
// which file a path is.
class PageList {
public:
    // Why a path was not taken.
    enum class Refusal {
        NotFound, // neither a file nor a folder
        AlreadyListed, // the same file is listed already
        Full, // the list holds its most pages
    };
    using Refused = std::function<void(Refusal, const QString& path)>;

    // At most maxPages pages; 0 for no limit.
    explicit PageList(int maxPages = 0);

    static bool isPageName(const QString& name);
    // The pages in folder, and with below those in the folders below it (not
    // through links), sorted by path; each is folder, a separator and the rest.
    // A folder that cannot be read has none.
    static QStringList pagesIn(const QString& folder, bool below);

    // Adds the pages named by paths in their order, each folder walked as
    // pagesIn does. A path or page not taken is told to refused and the next
    // one follows, except that once the list is full that is told once and
    // the rest left out.
    void add(const QStringList& paths, bool below, const Refused& refused);

    const QStringList& paths() const { return m_paths; }
    int size() const { return int(m_paths.size()); }
    void removeAt(int index);
    void clear();

private:
    // Whether to go on: false once the list is full.
    bool take(const QString& page, const Refused& refused);

    int m_maxPages;
    QStringList m_paths;
    QStringList m_identities; // of each page, in list order
    QSet<QString> m_listed; // the same identities, to look up
};

} // namespace quillon
