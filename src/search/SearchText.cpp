#include "search/SearchText.h"

namespace SearchText {

QString fromBox(const QString &boxText)
{
    QString text = boxText;
    text.remove(u'\'');
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && text[begin] == u' ')
        ++begin;
    while (end > begin && text[end - 1] == u' ')
        --end;
    return text.mid(begin, end - begin);
}

bool enablesSearch(const QString &boxText)
{
    return fromBox(boxText).size() > 2;
}

} // namespace SearchText
