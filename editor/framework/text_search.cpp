#include "text_search.h"

#include "text_codec.h"

#include <brevic/ls_files.h>

#include <QFile>
#include <QFileInfo>
#include <QSet>

#include <algorithm>
#include <array>
#include <string>
#include <utility>
#include <vector>

namespace search {

namespace {

// `text` with every character mapped on its own, so that the length stays (a whole-string
// case change may turn one character into two).
QString EachChar(const QString& text, QChar (QChar::*map)() const) {
    QString out = text;
    for (QChar& c : out)
        c = (c.*map)();
    return out;
}

// One search: the naive scan with a restart anchor, the position moving one step at a
// time in the search's direction. A search covers the text in two stretches, from its start
// to the text's edge and then from the other edge back to the start, so that every position
// is examined once; a match never spans the two.
class Scan {
public:
    Scan(const QString& text, const QString& pattern, bool caseSensitive, bool wholeWords,
         bool forward, bool wildcard)
        : t_(text), p_(pattern), n_(text.size()), l_(pattern.size()), case_(caseSensitive),
          words_(wholeWords), forward_(forward), wildcard_(wildcard), step_(forward ? 1 : -1),
          restart_(forward ? 0 : l_ - 1), upper_(EachChar(pattern, &QChar::toUpper)),
          lower_(EachChar(pattern, &QChar::toLower)) {}

    bool Run(Range& range) {
        const qsizetype start = std::min(forward_ ? range.end : range.start, n_);
        if (forward_) return Stretch(start, n_, range) || (start > 0 && Stretch(0, start, range));
        return Stretch(start - 1, -1, range) || (start < n_ && Stretch(n_ - 1, start - 1, range));
    }

    // Forward from `pos` to the text's end, without wrapping. A scan searched again from
    // where it left off keeps what it knows of the text, so that a run of such searches
    // (Replace All) reads the text about once.
    bool Forward(qsizetype pos, Range& range) { return Stretch(pos, n_, range); }

private:
    // Examines the positions from `pos` on in the search's direction, up to `limit` (not
    // included); a partial match ends with the stretch.
    bool Stretch(qsizetype pos, qsizetype limit, Range& range) {
        k_ = restart_;
        anchor_ = -1;
        qsizetype matchStart = 0;
        QChar before;
        // What can begin an attempt: its first pattern character in either case.
        const bool firstAny = wildcard_ && p_[restart_] == QLatin1Char('?');
        const QChar f0 = p_[restart_];
        const QChar f1 = case_ ? f0 : upper_[restart_];
        const QChar f2 = case_ ? f0 : lower_[restart_];
        while (pos != limit) {
            if (k_ == restart_ && !firstAny) {
                // No attempt under way: pass over what cannot begin one (a carriage return,
                // passed over anyway, included).
                if (forward_) {
                    pos = NextStart(pos, limit, {f0, f1, f2});
                } else {
                    while (pos != limit && t_[pos] != f0 && t_[pos] != f1 && t_[pos] != f2)
                        --pos;
                }
                if (pos == limit) break;
            }
            if (forward_ && t_[pos] == QLatin1Char('\r')) {
                // Line ends match whether or not their carriage returns line up.
                ++pos;
                continue;
            }
            const QChar c = t_[pos];
            // The pattern's two cases are worked out once, not for every character.
            const bool any = wildcard_ && p_[k_] == QLatin1Char('?');
            if (any || c == p_[k_] || (!case_ && (c == upper_[k_] || c == lower_[k_]))) {
                if (k_ == restart_) anchor_ = pos;
                if (k_ == 0) {
                    matchStart = pos;
                    before = pos > 0 ? t_[pos - 1] : QLatin1Char(' ');
                }
                k_ += step_;
            } else {
                k_ = restart_;
                if (anchor_ >= 0) pos = anchor_;
                anchor_ = -1;
            }
            pos += step_;
            if (k_ == (forward_ ? l_ : -1)) {
                const qsizetype after = forward_ ? pos : anchor_ + 1;
                const bool letterAfter = after >= 0 && after < n_ && t_[after].isLetter();
                if (!words_ || (!before.isLetter() && !letterAfter)) {
                    range = forward_ ? Range{matchStart, pos} : Range{pos + 1, pos + 1 + l_};
                    return true;
                }
                anchor_ = -1;
                k_ = restart_;
            }
        }
        return false;
    }

    // The first position in [pos, limit) holding one of `starts`, else `limit`. Where each
    // character occurs next is kept, so the text is searched (by the library's vectorised
    // search) about once per character however often the scan stops.
    qsizetype NextStart(qsizetype pos, qsizetype limit, const std::array<QChar, 3>& starts) {
        qsizetype best = limit;
        for (size_t i = 0; i < starts.size(); ++i) {
            if (i > 0 && (starts[i] == starts[0] || starts[i] == starts[i - 1])) continue;
            Next& next = next_[i];
            if (pos < next.from || next.at < pos) {
                next.from = pos;
                next.at = QStringView(t_).indexOf(starts[i], pos);
                if (next.at < 0) next.at = n_;
            }
            best = std::min(best, next.at);
        }
        return best;
    }

    const QString& t_;
    const QString& p_;
    const qsizetype n_;
    const qsizetype l_;
    const bool case_;
    const bool words_;
    const bool forward_;
    const bool wildcard_;
    const qsizetype step_;
    const qsizetype restart_;
    const QString upper_;   // the pattern in upper and lower case (the pattern itself when
    const QString lower_;   // the case matters)
    qsizetype k_ = 0;       // the pattern index to match next
    qsizetype anchor_ = -1; // where the current partial match began
    struct Next {
        qsizetype from = -1; // where the search for the character began
        qsizetype at = -1;   // where it occurs next from there (the text's length: nowhere)
    };
    std::array<Next, 3> next_;
};

} // namespace

bool FindInText(const QString& text, const QString& pattern, Range& range, bool caseSensitive,
                bool wholeWords, bool forward, bool wildcard) {
    QString p = pattern;
    if (forward) p.remove(QLatin1Char('\r')); // carriage returns of the pattern are passed over
    if (text.isEmpty() || p.isEmpty()) return false;
    return Scan(text, p, caseSensitive, wholeWords, forward, wildcard).Run(range);
}

bool ReplaceAllInText(QString& text, const QString& pattern, const QString& replacement,
                      bool caseSensitive, bool wholeWords, qsizetype* count) {
    if (count) *count = 0;
    QString p = pattern;
    p.remove(QLatin1Char('\r')); // carriage returns of the pattern are passed over
    if (text.isEmpty() || p.isEmpty()) return false;
    Scan scan(text, p, caseSensitive, wholeWords, true, true);
    qsizetype made = 0;
    QString result;
    result.reserve(text.size() + text.size() / 5);
    qsizetype copied = 0;
    Range range;
    // Each search goes on after the last match: a search from the start that wrapped would
    // find nothing new.
    while (scan.Forward(copied, range)) {
        // A match that begins with a line feed takes the carriage return before it along, so
        // a CR LF line end is replaced whole and no lone carriage return stays behind.
        qsizetype start = range.start;
        if (start > copied && text[start] == QLatin1Char('\n') &&
            text[start - 1] == QLatin1Char('\r'))
            --start;
        result.append(QStringView(text).mid(copied, start - copied));
        result.append(replacement);
        ++made;
        copied = range.end;
    }
    if (count) *count = made;
    if (made == 0) return false;
    result.append(QStringView(text).mid(copied));
    text = std::move(result);
    return true;
}

namespace {

enum class FileOutcome { Unchanged, Replaced, Failed };

// Replace All in one file's text; on Replaced, `out` holds the bytes to write and `read` says
// which file they replace.
FileOutcome ReplaceInFile(const QString& path, const QString& pattern, const QString& replacement,
                          bool caseSensitive, bool wholeWords, qsizetype& count, std::string& out,
                          brevic::FileIdentity& read) {
    const QByteArray name = QFile::encodeName(path);
    std::string bytes;
    if (!brevic::ReadBinaryFile(name.constData(), bytes, read)) return FileOutcome::Failed;
    const QByteArray raw =
        QByteArray::fromRawData(bytes.data(), static_cast<qsizetype>(bytes.size()));
    const codec::Encoding encoding = codec::Detect(raw);
    QString text = codec::Decode(raw, encoding);
    // Only a text that gives its file back byte for byte is worked on: what lies outside the
    // matches must stay as it was.
    if (codec::Encode(text, encoding) != raw) return FileOutcome::Failed;
    QString with = replacement;
    const codec::LineEnd end = codec::FirstLineEnd(text, codec::LineEnd::CrLf);
    if (end != codec::LineEnd::Lf) with.replace(QLatin1Char('\n'), codec::EndText(end));
    if (!ReplaceAllInText(text, pattern, with, caseSensitive, wholeWords, &count))
        return FileOutcome::Unchanged;
    if (!codec::CanEncode(text, encoding)) return FileOutcome::Failed;
    const QByteArray encoded = codec::Encode(text, encoding);
    out.assign(encoded.constData(), static_cast<size_t>(encoded.size()));
    return FileOutcome::Replaced;
}

// Changed files wait here to be written together, which spares a wait for the disk per
// file; a batch stays small enough for the open-file limit and memory. Each is written only
// if it is still the file that was read.
class PendingWrites {
public:
    PendingWrites(const QStringList& files, FilesResult& result,
                  std::vector<brevic::RewriteOutcome>& outcomes)
        : files_(files), result_(result), outcomes_(outcomes) {}

    bool Holds(const QString& key) const { return !key.isEmpty() && keys_.contains(key); }

    void Add(int index, const QString& key, std::string bytes, qsizetype count,
             const brevic::FileIdentity& read) {
        bytes_ += bytes.size();
        writes_.emplace_back(QFile::encodeName(files_[index]).toStdString(), std::move(bytes));
        read_.push_back(read);
        index_.push_back(index);
        counts_.push_back(count);
        keys_.insert(key);
        if (writes_.size() >= kFiles || bytes_ >= kBytes) Flush();
    }

    void Flush() {
        std::vector<brevic::RewriteOutcome> done;
        brevic::RewriteFilesAtomic(writes_, read_, done);
        for (size_t i = 0; i < writes_.size(); ++i) {
            const auto outcome = i < done.size() ? done[i] : brevic::RewriteOutcome::Failed;
            if (outcome == brevic::RewriteOutcome::Written) {
                result_.replacements += counts_[i];
                ++result_.filesChanged;
            }
            outcomes_[static_cast<size_t>(index_[i])] = outcome;
        }
        writes_.clear();
        read_.clear();
        index_.clear();
        counts_.clear();
        keys_.clear();
        bytes_ = 0;
    }

private:
    static constexpr size_t kFiles = 64;
    static constexpr size_t kBytes = 32u << 20;
    const QStringList& files_;
    FilesResult& result_;
    std::vector<brevic::RewriteOutcome>& outcomes_;
    std::vector<std::pair<std::string, std::string>> writes_;
    std::vector<brevic::FileIdentity> read_;
    std::vector<int> index_;
    std::vector<qsizetype> counts_;
    QSet<QString> keys_;
    size_t bytes_ = 0;
};

} // namespace

FilesResult ReplaceInFiles(const QStringList& files, const QString& pattern,
                           const QString& replacement, bool caseSensitive, bool wholeWords,
                           const std::function<void(int)>& progress) {
    FilesResult result;
    // Written: the file was rewritten, or needed no change.
    std::vector<brevic::RewriteOutcome> outcomes(static_cast<size_t>(files.size()),
                                                 brevic::RewriteOutcome::Written);
    PendingWrites pending(files, result, outcomes);
    for (int i = 0; i < files.size(); ++i) {
        if (progress) progress(i);
        // A file listed again (under any name) is read after its earlier change is written.
        const QString key = QFileInfo(files[i]).canonicalFilePath();
        if (pending.Holds(key)) pending.Flush();
        qsizetype count = 0;
        std::string bytes;
        brevic::FileIdentity read;
        switch (ReplaceInFile(files[i], pattern, replacement, caseSensitive, wholeWords, count,
                              bytes, read)) {
        case FileOutcome::Replaced:
            pending.Add(i, key, std::move(bytes), count, read);
            break;
        case FileOutcome::Failed:
            outcomes[static_cast<size_t>(i)] = brevic::RewriteOutcome::Failed;
            break;
        case FileOutcome::Unchanged:
            break;
        }
    }
    pending.Flush();
    for (int i = 0; i < files.size(); ++i) {
        const brevic::RewriteOutcome outcome = outcomes[static_cast<size_t>(i)];
        QStringList& list =
            outcome == brevic::RewriteOutcome::Failed ? result.failed : result.changedMeanwhile;
        if (outcome != brevic::RewriteOutcome::Written && !list.contains(files[i]))
            list.append(files[i]);
    }
    return result;
}

} // namespace search
