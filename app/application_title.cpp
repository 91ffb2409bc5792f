#include "app/application_title.h"

namespace brindlemoor::app {

namespace {
QString& title() {
    static QString value = kProductName;
    return value;
}
}  // namespace

QString shortTitle(const QString& productName) {
    constexpr qsizetype kLongest = 40;
    QString t = productName;
    do {
        const qsizetype space = t.lastIndexOf(u' ');
        if (space < 0) break;
        t.truncate(space);
    } while (t.size() > kLongest);
    return t;
}

void setShortTitle(const QString& productName) { title() = shortTitle(productName); }

const QString& applicationTitle() { return title(); }

}  // namespace brindlemoor::app
