#pragma once

#include <QListWidget>
#include <QTest>

#include <gtest/gtest.h>

namespace quillon::test {

// Double-clicks the item of box that reads text, as the window system sends it:
// press, release, double-click, release (a list ignores a lone double-click).
inline void doubleClick(QListWidget* box, const QString& text)
{
    const auto found = box->findItems(text, Qt::MatchExactly);
    ASSERT_EQ(found.size(), 1) << text.toStdString();
    box->scrollToItem(found.first());
    const QPoint at = box->visualItemRect(found.first()).center();
    QTest::mouseClick(box->viewport(), Qt::LeftButton, {}, at);
    QTest::mouseDClick(box->viewport(), Qt::LeftButton, {}, at);
    QTest::mouseRelease(box->viewport(), Qt::LeftButton, {}, at);
}

} // namespace quillon::test
