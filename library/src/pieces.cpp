// The expansion of a template read in pieces. Each piece ends behind a line break, where
// nothing of the expansion looks past the line; a placeholder that runs on into the next
// piece is taken again with more text.
//
// While a piece expands here, a second compiler (the twin) expands the piece after it on a
// helper thread, starting from the state a line usually starts in: outside any tag, no
// quote open, and the line number that the line breaks before it give. When the piece here
// ends in just that state, the twin's result is what expanding here would have given, and
// it is taken over; otherwise the piece is expanded here once more.
#include "brevic/ls_compiler.h"
#include "expander.h"

#include "brevic/ls_files.h"
#include "brevic/ls_macrobase.h"
#include "limits.h"
#include "platform/helper.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <new>
#include <thread>

namespace {

using brevic::internal::g_limits;
using brevic::internal::kTwinOutputLimit;

// Appends the next piece; the template ends at its first NUL, as a whole text does.
bool ReadPiece(brevic::TextFileReader& reader, std::string& text, bool& ended) {
    const size_t before = text.size();
    if (!reader.ReadLines(text, g_limits.piece, ended)) return false;
    const void* nul = std::memchr(text.data() + before, '\0', text.size() - before);
    if (nul) {
        text.resize(static_cast<size_t>(static_cast<const char*>(nul) - text.data()));
        ended = true;
    }
    return true;
}

long LineBreaks(const char* text, size_t size) {
    long n = 0;
    for (const char* end = text + size;
         (text =
              static_cast<const char*>(std::memchr(text, '\n', static_cast<size_t>(end - text))));
         ++text)
        ++n;
    return n;
}

} // namespace

struct brevic::Expander::Twin {
    brevic::Expander compiler;
    unsigned long count = 0;
    std::string text; // the piece: read by the twin, whoever expands it
    bool ended = false;
    bool readFailed = false;
    bool expanded = false; // the piece is whole lines, and the twin expanded them
    ScanState start;       // the state the twin's piece was taken to start in
    Piece piece;
    std::string out;
    tDebugContext context;
    tLS_Error result = LS_OK;
    brevic::HelperThread thread; // last: it ends before the rest goes away
};

bool brevic::Expander::TwinAllowed(tLS_macrobase** bases) const {
    // Scrambling counts characters across the whole text.
    if (settings->ScrambleCode || std::thread::hardware_concurrency() < 2) return false;
    // Both compilers look names up at once: the name tables must stand beforehand.
    for (tLS_macrobase** base = bases; base && *base; ++base) {
        if (!(*base)->PrepareLookups()) return false;
    }
    return true;
}

tLS_Error brevic::Expander::CompilePieces(brevic::TextFileReader& reader, std::string& out,
                                          tLS_macrobase** bases, tDebugContext& ctx,
                                          const Location& location) {
    const tMacro top;
    std::string text;
    Piece piece;
    piece.mark = out.size();
    piece.total = static_cast<long>(std::max(1LL, reader.FileSize()));
    std::unique_ptr<Twin> twin;
    if (TwinAllowed(bases)) {
        try {
            twin = std::make_unique<Twin>();
            twin->compiler.CountInto(&twin->count);
        } catch (const std::bad_alloc&) {
            twin.reset(); // expanded here alone
        }
    }

    size_t want = 0; // at least one more piece, and then until the text is this long
    bool ended = false;
    for (;;) {
        while (!ended) {
            if (!ReadPiece(reader, text, ended)) return LS_BUILD_FAILED;
            if (text.size() >= want) break;
        }
        size_t end = text.size();
        if (!ended) {
            const void* nl = memrchr(text.data(), '\n', text.size());
            if (!nl) { // a line longer than a piece
                want = 2 * text.size();
                continue;
            }
            end = static_cast<size_t>(static_cast<const char*>(nl) - text.data()) + 1;
        }
        const bool last = ended && end == text.size();
        const bool beside = twin && !ended && end == text.size();
        if (beside) {
            const Piece start = piece; // as it is now: this thread changes it meanwhile
            twin->thread.Start([this, &twin, &reader, &text, end, start, bases, &location] {
                ExpandBeside(*twin, reader, text.data(), end, start, bases, location);
            });
        }
        openEnd = last ? nullptr : text.data() + end;
        moreText = false;
        tLS_Error r;
        try {
            r = Compile(text.data(), static_cast<long>(end), out, bases, ctx, location, top,
                        &piece);
        } catch (...) {
            if (beside) twin->thread.Wait(); // nothing it uses may go away under it
            throw;
        }
        if (beside) twin->thread.Wait(); // it reads `text`
        if (r != LS_OK) return r;
        if (last) return LS_OK;
        const size_t used = static_cast<size_t>(piece.stopped);
        // A placeholder that goes on: at least twice its text so far for the next try.
        want = moreText ? 2 * (text.size() - used) : 0;
        text.erase(0, used);
        piece.offset += static_cast<long>(used);
        if (!beside) continue;

        Twin& t = *twin;
        if (t.readFailed) return LS_BUILD_FAILED;
        ended = t.ended;
        bool taken = false;
        if (text.empty()) {
            r = TakeTwin(t, out, ctx, piece, taken);
            if (r != LS_OK) return r;
        }
        if (taken) {
            if (ended) return LS_OK;
        } else if (text.empty()) {
            text.swap(t.text); // expanded here next
        } else {
            text.append(t.text);
        }
        t.text.clear();
    }
}

// The twin's job: read the piece after the first `end` characters of `before` and expand it,
// taking for granted that `before` begins where `start` stands and that the piece after it
// begins a line in the state lines usually start in.
void brevic::Expander::ExpandBeside(Twin& t, brevic::TextFileReader& reader, const char* before,
                                    size_t end, const Piece& start, tLS_macrobase** bases,
                                    const Location& location) {
    t.expanded = false;
    if (!ReadPiece(reader, t.text, t.ended)) {
        t.readFailed = true;
        return;
    }
    if (!t.ended && (t.text.empty() || t.text.back() != '\n')) return; // a line goes on
    t.start = ScanState::LineStart(start.state.line + LineBreaks(before, end));
    t.piece = Piece{};
    t.piece.state = t.start;
    t.piece.offset = start.offset + static_cast<long>(end);
    t.piece.total = start.total;
    t.piece.assumed = true;
    t.out.clear();
    t.context = tDebugContext{};
    t.count = 0;
    brevic::Expander& c = t.compiler;
    c.settings = settings;
    c.modified = 0;
    c.outputLimit = std::min(outputLimit, kTwinOutputLimit);
    c.openEnd = t.ended ? nullptr : t.text.data() + t.text.size();
    c.moreText = false;
    const tMacro top;
    try {
        t.result = c.Compile(t.text.data(), static_cast<long>(t.text.size()), t.out, bases,
                             t.context, location, top, &t.piece);
    } catch (const std::bad_alloc&) {
        t.result = LS_BUILD_FAILED;
    }
    t.expanded = true;
}

// Takes over the twin's piece when the piece before it ended in the state the twin started
// from; `taken` tells whether it did.
tLS_Error brevic::Expander::TakeTwin(Twin& t, std::string& out, tDebugContext& ctx, Piece& piece,
                                     bool& taken) {
    taken = false;
    const Piece& p = t.piece;
    if (!t.expanded || t.result != LS_OK) return LS_OK; // errors are found again here, in order
    if (piece.state != t.start) return LS_OK;
    if (p.stopped != static_cast<long>(t.text.size()) || !p.flushed || p.inexact) return LS_OK;
    if (spilled + out.size() + t.out.size() > outputLimit) return LS_OK;

    ctx.log += t.context.log;
    if (ctx.messageList) {
        for (size_t at = 0, nl; (nl = t.context.log.find('\n', at)) != std::string::npos;
             at = nl + 1)
            ctx.messageList->AddString(t.context.log.substr(at, nl - at).c_str());
    }
    ctx.errors += t.context.errors;
    ctx.warnings += t.context.warnings;
    modified = std::max(modified, t.compiler.modified);
    if (counter) {
        *counter += t.count;
    } else {
        brevic::SetCharacterCounter(brevic::CharacterCounter() + t.count);
    }
    // The twin's piece began with a flush: everything before it is final.
    if (outputFile) {
        const size_t n = out.size();
        if (n && !outputFile->WriteFront(out, n)) return LS_BUILD_FAILED;
        spilled += n;
        out.swap(t.out);
        piece.mark = p.mark;
    } else {
        piece.mark = out.size() + p.mark;
        out.append(t.out);
    }
    piece.state = p.state;
    piece.offset += static_cast<long>(t.text.size());
    if (ctx.progress && !t.text.empty()) {
        const long step = std::max(1L, piece.total / 100);
        const int percent = static_cast<int>(std::min(100L, (piece.offset - 1) / step));
        if (percent != piece.lastPercent) ctx.progress->SetPos(piece.lastPercent = percent);
    }
    if (outputFile && piece.mark >= brevic::internal::kSpillSize && !Spill(out, piece.mark))
        return LS_BUILD_FAILED;
    taken = true;
    return LS_OK;
}
