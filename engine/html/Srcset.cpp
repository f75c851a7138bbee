#include "engine/html/Srcset.h"

#include "engine/html/TagScanner.h"

namespace quillon {

namespace {

bool isAsciiDigit(QChar c)
{
    return c >= u'0' && c <= u'9';
}

// "800": digits only, not all of them zeros.
bool isPositiveInteger(QStringView text)
{
    bool nonZero = false;
    for (const QChar c : text) {
        if (!isAsciiDigit(c))
            return false;
        nonZero |= c != u'0';
    }
    return nonZero;
}

// "2", "1.5", ".5", "1e1": a floating-point number as HTML writes one, not below zero.
bool isDensity(QStringView text)
{
    qsizetype i = 0;
    const auto digits = [&] {
        const qsizetype from = i;
        while (i < text.size() && isAsciiDigit(text[i]))
            ++i;
        return i > from;
    };
    const bool whole = digits();
    if (i < text.size() && text[i] == u'.') {
        ++i;
        if (!digits())
            return false; // "1." is no number
    } else if (!whole) {
        return false;
    }
    if (i < text.size() && (text[i] == u'e' || text[i] == u'E')) {
        ++i;
        if (i < text.size() && (text[i] == u'+' || text[i] == u'-'))
            ++i;
        if (!digits())
            return false;
    }
    return i == text.size();
}

// The descriptors of one candidate: at most one width or one density, and a
// height only beside a width.
struct Descriptors {
    bool width = false;
    bool density = false;
    bool height = false;
    bool broken = false;

    void take(QStringView descriptor)
    {
        const QChar kind = descriptor.back();
        const QStringView number = descriptor.chopped(1);
        if (kind == u'w' && !width && !density && isPositiveInteger(number))
            width = true;
        else if (kind == u'x' && !width && !density && !height && isDensity(number))
            density = true;
        else if (kind == u'h' && !height && !density && isPositiveInteger(number))
            height = true;
        else
            broken = true;
    }
    bool valid() const { return !broken && (!height || width); }
};

} // namespace

std::optional<QStringView> firstSrcsetCandidate(QStringView text)
{
    qsizetype i = 0;
    for (;;) {
        while (i < text.size() && (isHtmlBlank(text[i]) || text[i] == u','))
            ++i;
        if (i == text.size())
            return std::nullopt;
        const qsizetype urlStart = i;
        while (i < text.size() && !isHtmlBlank(text[i]))
            ++i;
        QStringView url = text.sliced(urlStart, i - urlStart);
        Descriptors descriptors;
        if (url.endsWith(u',')) { // "a.png,b.png 2x": the address ends the candidate
            while (url.endsWith(u','))
                url.chop(1);
        } else {
            // Descriptors apart by blanks, up to a comma outside parentheses.
            qsizetype from = i;
            bool inParentheses = false;
            for (;; ++i) {
                const bool end = i == text.size();
                if (inParentheses && !end) {
                    inParentheses = text[i] != u')';
                    continue;
                }
                if (end || isHtmlBlank(text[i]) || text[i] == u',') {
                    if (i > from)
                        descriptors.take(text.sliced(from, i - from));
                    from = i + 1;
                    if (end || text[i] == u',')
                        break;
                } else if (text[i] == u'(') {
                    inParentheses = true;
                }
            }
        }
        if (descriptors.valid())
            return url;
    }
}

} // namespace quillon
