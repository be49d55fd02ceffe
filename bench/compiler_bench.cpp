// Benchmarks of the macro compiler (tLS_compiler::BuildTarget) and of full project builds
// (tLS_project::BuildAll), with the default compiler options.
//
// Every workload is generated at start-up from fixed seeds, so runs are comparable. Before
// timing, each workload is expanded once and checked: the expansion must succeed without a
// single error or warning and give the expected pieces of output, so that a workload broken
// by a change of the generator or of the compiler fails loudly instead of reporting a
// flattering figure. Throughput is template bytes per second (bytes_per_second);
// out_bytes_per_second and expansions_per_second are given beside it.
//
// Workloads:
//   RunningText   ~4 MB of HTML paragraphs with a placeholder every few kilobytes
//   DensePlaceholders  a placeholder every ~100 bytes, 200 macros of ~60 bytes each
//   ParamsAndLines     3-parameter placeholders, line statements [2-L], [L], [2-5] and
//                      line-formatting text on multi-line macros
//   DeepNesting        a chain of 21 macros (the deepest nesting allowed) used many times
//   ProjectFixture/BuildAll  100 templates x 100 groups (basis + 99 languages): 9,900 pages
#include <benchmark/benchmark.h>

#include "brevic/ls_compiler.h"
#include "brevic/ls_files.h"
#include "brevic/ls_macrobase.h"
#include "brevic/ls_project.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <fcntl.h>
#include <filesystem>
#include <memory>
#include <stdexcept>
#include <string>
#include <sys/stat.h>
#include <type_traits>
#include <vector>

namespace {

namespace fs = std::filesystem;

// A deterministic generator (xorshift), independent of the standard library's engines.
class Rng {
public:
    explicit Rng(uint64_t seed) : state(seed ? seed : 1) {}
    uint64_t Next() {
        state ^= state << 13;
        state ^= state >> 7;
        state ^= state << 17;
        return state;
    }
    size_t Below(size_t n) { return static_cast<size_t>(Next() % n); }

private:
    uint64_t state;
};

// Concatenates strings and numbers (numbers in decimal).
template <typename... Parts> std::string Cat(const Parts&... parts) {
    std::string s;
    auto add = [&s](const auto& part) {
        if constexpr (std::is_integral_v<std::decay_t<decltype(part)>>) {
            s += std::to_string(part);
        } else {
            s += part;
        }
    };
    (add(parts), ...);
    return s;
}

const char* const kWords[] = {
    "garden",  "season",   "plant",   "water",   "summer", "winter",  "flower",  "seed",
    "soil",    "harvest",  "light",   "shade",   "leaf",   "root",    "branch",  "fruit",
    "the",     "a",        "and",     "of",      "to",     "in",      "with",    "for",
    "every",   "early",    "late",    "careful", "simple", "our",     "your",    "small",
    "large",   "spring",   "autumn",  "border",  "path",   "stone",   "wooden",  "green",
    "bright",  "morning",  "evening", "rain",    "wind",   "compost", "hedge",   "lawn",
    "pruning", "planting", "sowing",  "growing", "tool",   "basket",  "orchard", "meadow",
};
constexpr size_t kWordCount = sizeof kWords / sizeof kWords[0];

// Words with characters above 127, as in the running text of a European site; with the
// ISO conversion on (the default) they become character references.
const char* const kAccented[] = {"Gärten", "Blüte", "naïve", "Größe", "café"};

// Appends `words` words of running text; every `accentEvery`-th word (0: never) is taken
// from kAccented.
void AppendWords(std::string& out, Rng& rng, int words, int accentEvery = 0) {
    for (int i = 0; i < words; ++i) {
        if (i > 0) out += (rng.Below(12) == 0) ? ", " : " ";
        if (accentEvery > 0 && rng.Below(static_cast<size_t>(accentEvery)) == 0) {
            out += kAccented[rng.Below(5)];
        } else {
            out += kWords[rng.Below(kWordCount)];
        }
    }
}

// A folder under the system's temporary folder, removed with everything in it.
class TempDir {
public:
    TempDir() {
        std::string pattern = (fs::temp_directory_path() / "larkspan-bench-XXXXXX").string();
        if (!::mkdtemp(pattern.data()))
            throw std::runtime_error("cannot create a temporary folder");
        path = pattern;
    }
    ~TempDir() {
        std::error_code ignored;
        fs::remove_all(path, ignored);
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    std::string path;
};

struct MacroDef {
    std::string name;
    std::string text; // lines separated by "\n"
};

// The macro file text of `macros` (header line, text, one line break per macro); written
// in text mode it gets the CR LF line ends of the real files.
std::string MacroFileText(const std::vector<MacroDef>& macros) {
    std::string file;
    for (const MacroDef& m : macros) {
        file += "{:" + m.name + ":0:}\n";
        file += m.text;
        file += '\n';
    }
    return file;
}

void WriteOrThrow(const std::string& path, const std::string& text) {
    if (!brevic::WriteTextFileAtomic(path.c_str(), text)) {
        throw std::runtime_error("cannot write " + path);
    }
}

// One template and the macro base it needs, loaded from a real macro file.
struct CompilerWorkload {
    TempDir dir;
    tLS_Error loadResult = LS_OK; // the base's result slot; outlives the base
    std::unique_ptr<tLS_macrobase> base;
    std::string source;
    long expansionsPerRun = 0;              // macro expansions in one BuildTarget
    std::vector<std::string> expectedParts; // pieces the output must contain

    void LoadMacros(const std::vector<MacroDef>& macros) {
        std::string path = dir.path + "/site.mcr";
        WriteOrThrow(path, MacroFileText(macros));
        base = std::make_unique<tLS_macrobase>(path.c_str(), &loadResult);
        if (loadResult != LS_OK) throw std::runtime_error("macro file does not load");
    }
};

// (a) Running text: paragraphs of ~80 words, a heading now and then, a placeholder in
// every 40th paragraph.
const CompilerWorkload& RunningText() {
    static const std::unique_ptr<CompilerWorkload> w = [] {
        auto w = std::make_unique<CompilerWorkload>();
        std::vector<MacroDef> macros;
        for (int i = 0; i < 10; ++i) {
            macros.push_back({Cat("Note", i), Cat("<span class=\"note\">See note ", i,
                                                  " in the appendix.</span>")});
        }
        w->LoadMacros(macros);
        Rng rng(11);
        long paragraph = 0;
        while (w->source.size() < 4'000'000) {
            if (paragraph % 25 == 0) {
                w->source += "<h2 class=\"section\">";
                AppendWords(w->source, rng, 5);
                w->source += "</h2>\n";
            }
            w->source += "<p class=\"body\">";
            AppendWords(w->source, rng, 40, 200);
            w->source += '\n';
            AppendWords(w->source, rng, 40, 200);
            if (paragraph % 40 == 0) {
                w->source += Cat(" {#Note", rng.Below(10), "}");
                ++w->expansionsPerRun;
            }
            w->source += ".</p>\n";
            ++paragraph;
        }
        w->expectedParts = {"<span class=\"note\">See note ", "<p class=\"body\">"};
        return w;
    }();
    return *w;
}

// (b) Dense placeholders: ~90 bytes of text and one placeholder per unit, spread evenly
// over the 200 macros of a full base (lookups go through the slots in order).
const CompilerWorkload& DensePlaceholders() {
    static const std::unique_ptr<CompilerWorkload> w = [] {
        auto w = std::make_unique<CompilerWorkload>();
        std::vector<MacroDef> macros;
        for (int i = 0; i < LS_MAX_MACROS; ++i) {
            char name[16];
            char text[96];
            std::snprintf(name, sizeof name, "Item%03d", i);
            std::snprintf(text, sizeof text,
                          "<a href=\"/shop/item%03d.htm\" class=\"item\">Article %03d</a>", i, i);
            macros.push_back({name, text});
        }
        w->LoadMacros(macros);
        Rng rng(22);
        while (w->source.size() < 2'000'000) {
            w->source += "<li>";
            AppendWords(w->source, rng, 13);
            char ref[24];
            std::snprintf(ref, sizeof ref, " {#Item%03zu}</li>\n", rng.Below(LS_MAX_MACROS));
            w->source += ref;
            ++w->expansionsPerRun;
        }
        w->expectedParts = {"<a href=\"/shop/item", "class=\"item\">Article "};
        return w;
    }();
    return *w;
}

// (c) Parameters, line statements and line-formatting text.
const CompilerWorkload& ParamsAndLines() {
    static const std::unique_ptr<CompilerWorkload> w = [] {
        auto w = std::make_unique<CompilerWorkload>();
        std::vector<MacroDef> macros = {
            {"Link",
             "<a href=\"{#_MACRO_PARAM_0}\" class=\"{#_MACRO_PARAM_2}\">{#_MACRO_PARAM_1}</a>"},
            {"Figure", "<figure><img src=\"{#_MACRO_PARAM_0}\" width=\"{#_MACRO_PARAM_2}\">\n"
                       "<figcaption>{#_MACRO_PARAM_1}</figcaption></figure>"},
            {"Address", "Larkspan Garden Supplies\nMain Street 12\n12345 Springfield\n"
                        "Phone 555 0100\nFax 555 0101\nshop@example.org"},
            {"NavList", "<li class=\"nav\">Home</li>\n<li class=\"nav\">Plants</li>\n"
                        "<li class=\"nav\">Seeds</li>\n<li class=\"nav\">Tools</li>\n"
                        "<li class=\"nav\">Courses</li>\n<li class=\"nav\">Contact</li>"},
        };
        w->LoadMacros(macros);
        Rng rng(33);
        long unit = 0;
        while (w->source.size() < 2'000'000) {
            std::string n = std::to_string(unit % 1000);
            w->source += "<p>";
            AppendWords(w->source, rng, 8);
            w->source += " {#Link,/docs/page" + n + ".htm,chapter " + n + ",inline} ";
            AppendWords(w->source, rng, 8);
            w->source += "</p>\n";
            w->expansionsPerRun += 4; // the macro and its three parameter references
            switch (unit % 5) {
            case 0:
                w->source += "<address>{#\"<br>\"Address}</address>\n";
                w->expansionsPerRun += 6; // the macro and 5 line-formatting texts
                break;
            case 1:
                w->source += "<p class=\"postal\">{#Address[2-L]}</p>\n";
                w->expansionsPerRun += 1;
                break;
            case 2:
                w->source += "<p class=\"mail\">{#Address[L]}</p>\n";
                w->expansionsPerRun += 1;
                break;
            case 3:
                w->source += "<ul>{#NavList[2-5]}</ul>\n";
                w->expansionsPerRun += 1;
                break;
            default:
                w->source += "{#Figure,/img/photo" + n + ".jpg,photo " + n + ",320}\n";
                w->expansionsPerRun += 4;
                break;
            }
            ++unit;
        }
        w->expectedParts = {
            "<a href=\"/docs/page1.htm\" class=\"inline\">chapter 1</a>",
            "<address>Larkspan Garden Supplies<br>\nMain Street 12<br>\n",
            "Fax 555 0101<br>\nshop@example.org</address>",
            "<p class=\"postal\">Main Street 12\n12345 Springfield\n",
            "<p class=\"mail\">shop@example.org</p>",
            "<ul><li class=\"nav\">Plants</li>\n<li class=\"nav\">Seeds</li>\n"
            "<li class=\"nav\">Tools</li>\n<li class=\"nav\">Courses</li></ul>",
            "<figure><img src=\"/img/photo4.jpg\" width=\"320\">\n<figcaption>photo 4</figcaption>",
        };
        return w;
    }();
    return *w;
}

// (d) Deep nesting: L1 holds text and a placeholder for L2, and so on down to L21, the
// deepest level the compiler allows.
const CompilerWorkload& DeepNesting() {
    static const std::unique_ptr<CompilerWorkload> w = [] {
        auto w = std::make_unique<CompilerWorkload>();
        constexpr int kLevels = 21;
        std::vector<MacroDef> macros;
        for (int i = 1; i <= kLevels; ++i) {
            std::string k = std::to_string(i);
            std::string text = "<span class=\"l" + k + "\">level " + k + "</span>";
            if (i < kLevels) text += Cat("{#L", i + 1, "}");
            macros.push_back({"L" + k, text});
        }
        w->LoadMacros(macros);
        Rng rng(44);
        while (w->source.size() < 1'000'000) {
            w->source += "<div>";
            AppendWords(w->source, rng, 12);
            w->source += " {#L1}</div>\n";
            w->expansionsPerRun += kLevels;
        }
        w->expectedParts = {
            "<span class=\"l20\">level 20</span><span class=\"l21\">level 21</span>"};
        return w;
    }();
    return *w;
}

void RunCompiler(benchmark::State& state, const CompilerWorkload& (*make)()) {
    const CompilerWorkload* w = nullptr;
    try {
        w = &make();
    } catch (const std::exception& e) {
        state.SkipWithError(e.what());
        return;
    }
    tLS_compiler compiler;
    tCompilerSettings settings; // the defaults
    tLS_macrobase* bases[2] = {w->base.get(), nullptr};

    // One checked run first.
    size_t outBytes = 0;
    {
        tDebugContext ctx;
        std::string out;
        tLS_Error r = compiler.BuildTarget(w->source, out, &ctx, bases, "bench.tpl", &settings);
        if (r != LS_OK || ctx.errors != 0 || ctx.warnings != 0) {
            std::fprintf(stderr,
                         "workload check failed: result %d, %d errors, %d warnings\n%.2000s",
                         static_cast<int>(r), ctx.errors, ctx.warnings, ctx.log.c_str());
            state.SkipWithError("the workload does not expand cleanly");
            return;
        }
        for (const std::string& part : w->expectedParts) {
            if (out.find(part) == std::string::npos) {
                std::fprintf(stderr, "expected output missing: %s\n", part.c_str());
                state.SkipWithError("the output lacks an expected part");
                return;
            }
        }
        outBytes = out.size();
    }

    for (auto _ : state) {
        // As the build driver does it: a fresh output string reserved for 1.2 times the
        // template.
        tDebugContext ctx;
        std::string out;
        out.reserve(w->source.size() + w->source.size() / 5);
        tLS_Error r = compiler.BuildTarget(w->source, out, &ctx, bases, "bench.tpl", &settings);
        benchmark::DoNotOptimize(out.data());
        benchmark::ClobberMemory();
        if (r != LS_OK) {
            state.SkipWithError("expansion failed");
            break;
        }
    }
    const auto runs = static_cast<int64_t>(state.iterations());
    state.SetBytesProcessed(runs * static_cast<int64_t>(w->source.size()));
    state.counters["template_MB"] = static_cast<double>(w->source.size()) / 1e6;
    state.counters["output_MB"] = static_cast<double>(outBytes) / 1e6;
    state.counters["out_bytes_per_second"] =
        benchmark::Counter(static_cast<double>(runs) * static_cast<double>(outBytes),
                           benchmark::Counter::kIsRate, benchmark::Counter::kIs1024);
    state.counters["expansions_per_second"] =
        benchmark::Counter(static_cast<double>(runs) * static_cast<double>(w->expansionsPerRun),
                           benchmark::Counter::kIsRate);
}

void BM_RunningText(benchmark::State& state) {
    RunCompiler(state, RunningText);
}
void BM_DensePlaceholders(benchmark::State& state) {
    RunCompiler(state, DensePlaceholders);
}
void BM_ParamsAndLines(benchmark::State& state) {
    RunCompiler(state, ParamsAndLines);
}
void BM_DeepNesting(benchmark::State& state) {
    RunCompiler(state, DeepNesting);
}

BENCHMARK(BM_RunningText)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_DensePlaceholders)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_ParamsAndLines)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_DeepNesting)->Unit(benchmark::kMillisecond)->MinTime(2.0);

// Counts the targets a build finished and how many of them it wrote.
class CountingProgress : public tLS_Progress {
public:
    void SetPos(int) override {}
    void TargetDone(const tLS_Target& target, const std::string&) override {
        ++targets;
        if (target.written) ++writtenTargets;
    }
    long targets = 0;
    long writtenTargets = 0;
};

// (e) A project at the limits: 100 templates of ~8 KB and 100 groups, the basis group
// (page head, menu, footer) and 99 languages of 20 strings each.
class ProjectFixture : public benchmark::Fixture {
public:
    static constexpr int kTemplates = LS_MAX_SOURCES;
    static constexpr int kGroups = LS_MAX_GROUPS;
    static constexpr int kStrings = 20;

    using benchmark::Fixture::SetUp;
    using benchmark::Fixture::TearDown;

    void SetUp(const benchmark::State&) override {
        setupError.clear();
        try {
            Generate();
        } catch (const std::exception& e) {
            setupError = e.what();
        }
    }

    void TearDown(const benchmark::State&) override { dir.reset(); }

    // Writes the project file, the 100 macro files and the 100 templates.
    void Generate() {
        dir = std::make_unique<TempDir>();
        templateBytes = 0;
        const std::string& root = dir->path;

        std::string hpr = Cat("[Groups]\nGroupNumber=", kGroups, "\nGroup0=site.mcr\n");
        for (int g = 1; g < kGroups; ++g) {
            hpr += Cat("Group", g, "=", LanguageName(g), ".mcr\n");
        }
        hpr += Cat("[Sources]\nSourceNumber=", kTemplates, "\n");
        for (int t = 0; t < kTemplates; ++t) {
            hpr += Cat("Source", t, "=tpl\\", PageName(t), ".tpl\n");
        }
        projectPath = root + "/site.hpr";
        WriteOrThrow(projectPath, hpr);

        std::string menu = "<nav class=\"menu\">\n<ul>";
        for (int s = 3; s < 13; ++s) {
            menu += Cat("\n<li><a href=\"page", s, ".htm\">{#S", s, "}</a></li>");
        }
        menu += "\n</ul>\n</nav>";
        std::vector<MacroDef> basis = {
            {"Header", "<head>\n<meta charset=\"utf-8\">\n<title>{#S0} - {#S1}</title>\n"
                       "<meta name=\"description\" content=\"{#S2}\">\n"
                       "<link rel=\"stylesheet\" href=\"../site.css\">\n</head>"},
            {"Menu", menu},
            {"Footer", "<footer>\n<p>{#S13} | {#S14} | {#S15}</p>\n<p>{#S16}</p>\n"
                       "<p class=\"small\">{#S17} {#S18} {#S19}</p>\n</footer>"},
        };
        WriteOrThrow(root + "/site.mcr", MacroFileText(basis));

        Rng rng(55);
        for (int g = 1; g < kGroups; ++g) {
            std::vector<MacroDef> strings;
            for (int s = 0; s < kStrings; ++s) {
                std::string text = "[";
                text += LanguageName(g);
                text += "] ";
                AppendWords(text, rng, 2 + static_cast<int>(rng.Below(5)));
                strings.push_back({Cat("S", s), text});
            }
            WriteOrThrow(Cat(root, "/", LanguageName(g), ".mcr"), MacroFileText(strings));
        }

        fs::create_directories(root + "/tpl");
        // Templates dated a day ahead: every target written during the run is older than
        // its template, so every build rewrites all of them.
        const struct timespec ahead[2] = {{std::time(nullptr) + 86400, 0},
                                          {std::time(nullptr) + 86400, 0}};
        for (int t = 0; t < kTemplates; ++t) {
            std::string page = "<!DOCTYPE html>\n<html>\n{#Header}\n<body>\n{#Menu}\n<main>\n<h1>";
            AppendWords(page, rng, 4);
            page += "</h1>\n";
            while (page.size() < 7800) {
                page += "<p>";
                AppendWords(page, rng, 60);
                page += ".</p>\n";
            }
            page += "</main>\n{#Footer}\n</body>\n</html>\n";
            std::string path = Cat(root, "/tpl/", PageName(t), ".tpl");
            WriteOrThrow(path, page);
            if (::utimensat(AT_FDCWD, path.c_str(), ahead, 0) != 0) {
                throw std::runtime_error("cannot date " + path);
            }
            templateBytes += static_cast<int64_t>(page.size());
        }
    }

    static std::string LanguageName(int g) {
        char buf[16];
        std::snprintf(buf, sizeof buf, "lang%02d", g);
        return buf;
    }
    static std::string PageName(int t) {
        char buf[16];
        std::snprintf(buf, sizeof buf, "page%03d", t);
        return buf;
    }

    std::string setupError;
    std::unique_ptr<TempDir> dir;
    std::string projectPath;
    int64_t templateBytes = 0;
};

BENCHMARK_DEFINE_F(ProjectFixture, BuildAll)(benchmark::State& state) {
    if (!setupError.empty()) {
        state.SkipWithError(setupError.c_str());
        return;
    }
    tLS_project project;
    // No settings file: the defaults, as on a fresh installation.
    const std::string settings = dir->path + "/larkspan.INI";
    project.SetIniFilePath(settings.c_str());
    if (project.InitProject(projectPath.c_str()) != LS_OK) {
        state.SkipWithError("the project does not open");
        return;
    }
    const long expectedTargets = static_cast<long>(kTemplates) * (kGroups - 1);

    // A first build outside the timing creates the language folders and the targets, so
    // that every timed build replaces existing files; it also checks the workload.
    {
        CountingProgress progress;
        tDebugContext ctx;
        ctx.progress = &progress;
        tLS_Error r = project.BuildAll(&ctx);
        const std::string& log = project.GetBuildLog();
        if (r != LS_OK || progress.writtenTargets != expectedTargets ||
            log.find("\t(") != std::string::npos) {
            std::fprintf(stderr, "build check failed: result %d, %ld of %ld written\n%.2000s",
                         static_cast<int>(r), progress.writtenTargets, expectedTargets,
                         log.c_str());
            state.SkipWithError("the project does not build cleanly");
            return;
        }
        std::string sample;
        brevic::ReadTextFile((dir->path + "/tpl/lang07/page042.htm").c_str(), sample);
        if (sample.find("<title>[lang07] ") == std::string::npos ||
            sample.find("{#") != std::string::npos) {
            state.SkipWithError("a target does not hold the expected text");
            return;
        }
    }

    long written = 0;
    for (auto _ : state) {
        CountingProgress progress;
        tDebugContext ctx;
        ctx.progress = &progress;
        if (project.BuildAll(&ctx) != LS_OK) {
            state.SkipWithError("BuildAll failed");
            break;
        }
        written += progress.writtenTargets;
    }
    const auto runs = static_cast<int64_t>(state.iterations());
    if (written != runs * expectedTargets) state.SkipWithError("not every target was rewritten");
    state.SetBytesProcessed(runs * templateBytes * (kGroups - 1));
    state.counters["targets"] = static_cast<double>(expectedTargets);
    state.counters["targets_per_second"] =
        benchmark::Counter(static_cast<double>(written), benchmark::Counter::kIsRate);
}
// Wall-clock time: most of a full build is writing 9,900 files.
BENCHMARK_REGISTER_F(ProjectFixture, BuildAll)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3)
    ->UseRealTime();

} // namespace

BENCHMARK_MAIN();
