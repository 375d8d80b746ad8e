#include "cli/PathRewriteBuffer.h"

#include <algorithm>

namespace vrklad {

PathRewriter::PathRewriter(std::vector<std::pair<std::string, std::string>> paths)
    : m_paths(std::move(paths)) {
    std::stable_sort(m_paths.begin(), m_paths.end(),
                     [](const auto& a, const auto& b) { return a.first.size() > b.first.size(); });
    m_paths.erase(std::remove_if(m_paths.begin(), m_paths.end(),
                                 [](const auto& p) { return p.first.empty(); }),
                  m_paths.end());
}

std::string PathRewriter::Rewrite(const std::string& text) const {
    if (m_paths.empty()) return text;
    std::string out;
    out.reserve(text.size());
    size_t i = 0;
    while (i < text.size()) {
        bool replaced = false;
        for (const auto& [copy, original] : m_paths) {
            if (text.compare(i, copy.size(), copy) == 0) {
                out += original;
                i += copy.size();
                replaced = true;
                break;
            }
        }
        if (!replaced) out += text[i++];
    }
    return out;
}

PathRewriteBuffer::PathRewriteBuffer(std::streambuf* target, const PathRewriter& rewriter,
                                     std::ostream* capture)
    : m_target(target), m_rewriter(rewriter), m_capture(capture) {}

PathRewriteBuffer::~PathRewriteBuffer() { sync(); }

PathRewriteBuffer::int_type PathRewriteBuffer::overflow(int_type ch) {
    if (traits_type::eq_int_type(ch, traits_type::eof())) return traits_type::not_eof(ch);
    m_pending += traits_type::to_char_type(ch);
    if (ch == '\n') Emit(false);
    return ch;
}

std::streamsize PathRewriteBuffer::xsputn(const char* s, std::streamsize n) {
    m_pending.append(s, static_cast<size_t>(n));
    if (std::find(s, s + n, '\n') != s + n) Emit(false);
    return n;
}

int PathRewriteBuffer::sync() {
    Emit(true);
    return m_target->pubsync();
}

void PathRewriteBuffer::Emit(bool all) {
    const size_t end = all ? m_pending.size() : m_pending.rfind('\n') + 1;
    if (end == 0 || end > m_pending.size()) return;
    const std::string text = m_rewriter.Rewrite(m_pending.substr(0, end));
    m_pending.erase(0, end);
    m_target->sputn(text.data(), static_cast<std::streamsize>(text.size()));
    Capture(text);
}

void PathRewriteBuffer::Capture(const std::string& text) {
    if (m_capture == nullptr) return;
    m_line += text;
    size_t start = 0;
    for (size_t nl = m_line.find('\n'); nl != std::string::npos; nl = m_line.find('\n', start)) {
        std::string line = m_line.substr(start, nl - start);
        start = nl + 1;
        const size_t cr = line.rfind('\r');
        if (cr != std::string::npos) {
            line.erase(0, cr + 1);
            // What is left after the progress display was cleared.
            for (size_t esc = line.find("\033[K"); esc != std::string::npos;
                 esc = line.find("\033[K")) {
                line.erase(esc, 3);
            }
        }
        *m_capture << line << '\n';
    }
    m_line.erase(0, start);
    m_capture->flush();
}

}  // namespace vrklad
