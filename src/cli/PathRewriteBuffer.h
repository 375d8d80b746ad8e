#pragma once

#include <ostream>
#include <streambuf>
#include <string>
#include <utility>
#include <vector>

namespace vrklad {

// Text in one stream, the paths of a dry run's copies written back as the
// folders they stand for, e.g. "/tmp/vrklad-dryrun.x/prog/PRCSSD" as
// "/home/clerk/vrklad/PRCSSD".
class PathRewriter {
public:
    // Pairs of (copy, original); a longer copy path wins over a shorter one
    // it begins with.
    explicit PathRewriter(std::vector<std::pair<std::string, std::string>> paths);
    std::string Rewrite(const std::string& text) const;

private:
    std::vector<std::pair<std::string, std::string>> m_paths;
};

// A stream buffer for the command's standard output or error in a dry run:
// the text goes on to `target` line by line, rewritten, and each complete
// line is also kept in `capture` as a terminal would show it (a progress
// display that redraws itself with "\r" leaves only its last state, and a
// cleared one nothing). Two buffers may share one capture, which then holds
// the lines of both streams in the order they were written.
class PathRewriteBuffer : public std::streambuf {
public:
    PathRewriteBuffer(std::streambuf* target, const PathRewriter& rewriter, std::ostream* capture);
    ~PathRewriteBuffer() override;

protected:
    int_type overflow(int_type ch) override;
    std::streamsize xsputn(const char* s, std::streamsize n) override;
    int sync() override;

private:
    // Passes on everything up to the last line end, or all with `all`.
    void Emit(bool all);
    void Capture(const std::string& text);

    std::streambuf* m_target;
    const PathRewriter& m_rewriter;
    std::ostream* m_capture;
    std::string m_pending;
    std::string m_line;  // the captured line not yet ended
};

}  // namespace vrklad
