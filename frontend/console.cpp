#include "frontend/console.h"

#include "frontend/number_format.h"
#include "frontend/number_scan.h"

#include <cstdio>

namespace hbx {

void say(std::string_view text) {
    std::fwrite(text.data(), 1, text.size(), stdout);
}

void sayNumbered(std::string_view before, int number, std::string_view after) {
    std::string line(before);
    appendInt(line, number);
    line.append(after);
    say(line);
}

std::string readAnswer(int maxChars) {
    std::fflush(stdout);
    std::string answer;
    while (static_cast<int>(answer.size()) < maxChars) {
        int c = std::getchar();
        if (c == EOF) break;
        answer.push_back(static_cast<char>(c));
        if (c == '\n') break;
    }
    return answer;
}

void discardChar() {
    std::fflush(stdout);
    (void)std::getchar();
}

bool readFloat(float* out) {
    std::fflush(stdout);
    int c;
    do {
        c = std::getchar();
    } while (c != EOF && isCSpace(static_cast<char>(c)));
    if (c == EOF) return false;
    // Collect the characters that may belong to a number, convert them with
    // the scanner the file readers use, and give back what it did not take.
    std::string text;
    auto accept = [&](int ch) {
        const std::string_view numberChars = "0123456789+-.eEpPxXaAbBcCdDfFiInNtTyY()";
        return ch != EOF && numberChars.find(static_cast<char>(ch)) != std::string_view::npos;
    };
    while (accept(c)) {
        text.push_back(static_cast<char>(c));
        c = std::getchar();
    }
    if (c != EOF) std::ungetc(c, stdin);
    float v = 0.0f;
    const char* first = text.data();
    const char* stop = scanFloat(first, first + text.size(), &v);
    // glibc keeps several pushed-back characters, so the rest can go back.
    const char* keep = stop ? stop : first;
    for (const char* q = first + text.size(); q > keep;)
        std::ungetc(static_cast<unsigned char>(*--q), stdin);
    if (!stop) return false;
    *out = v;
    return true;
}

} // namespace hbx
