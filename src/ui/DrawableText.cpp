#include "ui/DrawableText.h"

#include <QList>

#include <utility>

namespace corv::ui {

namespace {

bool privateUse(char32_t c) { return (c >= 0xE000 && c <= 0xF8FF) || c >= 0xF0000; }

} // namespace

QString drawableText(const std::string& text) {
    static const std::pair<char32_t, const char*> kSigns[] = {
        {0x100148, "\u21BB"}, {0x100149, "\u21BA"}, {0x102127, "\u2198\u2196"}, {0x10211D, "\u2196\u2198"}};
    const QList<uint> in = QString::fromStdString(text).toUcs4();
    QString out;
    for (qsizetype i = 0; i < in.size(); ++i) {
        const char32_t c = in[i];
        if (!privateUse(c)) {
            out += QString::fromUcs4(&c, 1);
            continue;
        }
        bool known = false;
        for (const auto& [from, to] : kSigns)
            if (c == from) {
                out += QString::fromUtf8(to);
                known = true;
            }
        if (!known && i + 1 < in.size() && in[i + 1] == U' ') ++i;
    }
    return out;
}

} // namespace corv::ui
