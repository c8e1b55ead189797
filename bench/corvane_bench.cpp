// In-process performance figures, each measured in the same run as the figure that bounds it.
// Repetitions run interleaved at random and every figure is the median of its repetitions, so a
// noisy, shared machine slows both sides of a ratio alike.

#include "CharClasses.h"
#include "FakeServices.h"
#include "GenerationState.h"
#include "GeneratorView.h"
#include "ListExport.h"
#include "PasswordList.h"
#include "SodiumRandom.h"
#include "frmMain.h"
#include "modGen.h"

#include <QApplication>
#include <QCheckBox>
#include <QFile>
#include <QLineEdit>
#include <QListView>
#include <QPushButton>
#include <QTest>
#include <algorithm>
#include <benchmark/benchmark.h>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <memory>
#include <optional>
#include <sodium.h>
#include <string>
#include <vector>

using namespace corvane;
using namespace corvane::test;

namespace {

constexpr int passwordLength = 50;
constexpr int allClasses = 118; // characters of the five classes, the extended pair counted twice
constexpr int fourClasses = 93;
bool runPwgen = true;

// Stands in for the main window: holds the values the engine reads and keeps the list as the window does.
class RecorderView final : public GeneratorView
{
public:
    RecorderView(int batch, bool withExtended)
        : count(QString::number(batch)), values{1, 1, 1, 1, withExtended ? 1 : 0}
    {
    }
    const ClassValues& classValues() const override { return values; }
    const QString& specialSetText() const override { return special; }
    const QString& extendedSetText() const override { return extendedSet; }
    const QString& lengthText() const override { return length; }
    QString countText() const override { return count; }
    void setPasswordText(QStringView value) override
    {
        if (password.size() != value.size())
            password.resize(value.size());
        std::copy(value.begin(), value.end(), password.begin());
    }
    const QString& passwordText() const override { return password; }
    void clearList() override { list.clear(); }
    void addListEntry(const QString& entry) override { list.append(entry); }
    QStringList entries() const
    {
        QStringList all;
        for (qsizetype row = 0; row < list.size(); ++row)
            all.append(list.entry(row));
        return all;
    }
    void showMessage(const QString& text) override { messages.append(text); }
    void focusLengthSelectAll() override {}
    void focusCountSelectAll() override {}

    QString count, length = QString::number(passwordLength), password;
    QString special = specialCharacterSet(), extendedSet = extendedCharacterSet();
    ClassValues values;
    PasswordList list;
    QStringList messages;
};

// Hands out the pool's first character for every draw: what the engine costs without randomness.
struct FirstCharacter final : RandomSource
{
    std::uint32_t bounded(std::uint32_t) override { return 0; }
    void pick(const QString& pool, std::span<QChar> out) override { std::fill(out.begin(), out.end(), pool.front()); }
};

// How the engine's characters are drawn: the real source as this processor runs it, the real source
// without AVX-512, or no randomness at all.
enum class Draw { Fastest, Portable, None };

std::unique_ptr<RandomSource> sourceFor(Draw draw)
{
    if (draw == Draw::None)
        return std::make_unique<FirstCharacter>();
    return std::make_unique<SodiumRandom>(draw == Draw::Fastest ? fastestByteMapping() : ByteMapping::Portable);
}

// The engine with the real random source, all five classes (118 characters) or the four default ones (93).
struct EngineRig
{
    EngineRig(int count, bool extended, Draw draw = Draw::Fastest)
        : view(count, extended), random(sourceFor(draw))
    {
        engine.Generate();
    }
    bool wholeBatch(int count, int poolSize) const
    {
        const QStringList entries = view.entries();
        return entries.size() == count && view.messages.isEmpty() && state.pool.size() == poolSize &&
               std::all_of(entries.cbegin(), entries.cend(), [](const QString& p) { return p.size() == passwordLength; });
    }
    RecorderView view;
    GenerationState state;
    std::unique_ptr<RandomSource> random;
    modGen engine{view, state, *random};
};

// The real main window over the test suite's fake services, shown offscreen, all five classes ticked.
// The warning is marked as shown so ticking the extended characters opens no dialog.
struct WindowRig : TestServices
{
    WindowRig()
    {
        settings.save(QStringLiteral("Corvane"), QStringLiteral("Presets"), QStringLiteral("Warn"), QStringLiteral("1"));
        window = std::make_unique<frmMain>(services, state, random);
        window->show();
        if (!QTest::qWaitForWindowExposed(window.get()))
            qFatal("main window not exposed");
        child<QLineEdit>("txtChars")->setText(QString::number(passwordLength));
        for (int i = 0; i < classCount; ++i)
            child<QCheckBox>(QStringLiteral("chkOpt(%1)").arg(i))->setChecked(true);
        window->askSaveFileName = [this](QWidget*) { return savePath; };
        settle();
    }
    template <typename T = QWidget> T* child(const QString& name) const
    {
        if (auto* found = window->findChild<T*>(name))
            return found;
        qFatal("no control %s", qPrintable(name));
    }
    // What the list shows, row by row.
    QStringList entries() const
    {
        QStringList shown;
        for (int row = 0; row < list->model()->rowCount(); ++row)
            shown.append(list->model()->index(row, 0).data().toString());
        return shown;
    }
    // Clicks and lets the window finish what the click leaves queued: the list's layout and repaint.
    void click(const char* button) const
    {
        child<QPushButton>(QString::fromLatin1(button))->click();
        settle();
    }
    static void settle()
    {
        for (int i = 0; i < 3; ++i) {
            QCoreApplication::sendPostedEvents();
            QCoreApplication::processEvents();
        }
    }

    GenerationState state;
    SodiumRandom random;
    std::unique_ptr<frmMain> window;
    QListView* list = nullptr;
    QString savePath;
};

std::unique_ptr<WindowRig> windowRig;

WindowRig& rig()
{
    if (!windowRig) {
        windowRig = std::make_unique<WindowRig>();
        windowRig->list = windowRig->child<QListView>("lstPass");
    }
    return *windowRig;
}

// What Copy and Save must give for these entries: each one followed by CR LF.
QString asText(const QStringList& entries)
{
    return entries.join(QStringLiteral("\r\n")) + QStringLiteral("\r\n");
}

// A list of `count` real passwords in the window's list, for Copy and Save.
QStringList fillList(int count)
{
    const QStringList entries = EngineRig(count, true).view.entries();
    auto* list = qobject_cast<PasswordList*>(rig().list->model());
    list->clear();
    for (const QString& entry : entries)
        list->append(entry);
    list->publish();
    return entries;
}

// Generate through cmdGen_Click into the real list, repaint included. The list holds a batch
// before timing starts, as on a second Generate.
void generateWindow(benchmark::State& state)
{
    const int count = int(state.range(0));
    WindowRig& r = rig();
    r.child<QLineEdit>("txtNumOf")->setText(QString::number(count));
    r.click("cmdGen");
    const QStringList shown = r.entries();
    if (shown.size() != count || r.state.pool.size() != allClasses ||
        std::any_of(shown.cbegin(), shown.cend(), [](const QString& p) { return p.size() != passwordLength; }))
        return state.SkipWithError("the window's list does not hold the whole batch of all five classes");
    for (auto _ : state)
        r.click("cmdGen");
}

// The engine alone, the same batch into the window's kind of list: the bound of the window. Without
// randomness it shows what the engine's own work costs.
void generateEngine(benchmark::State& state, bool extended, Draw draw)
{
    const int count = int(state.range(0));
    EngineRig rig(count, extended, draw);
    if (!rig.wholeBatch(count, extended ? allClasses : fourClasses))
        return state.SkipWithError("the engine did not produce the whole batch from the intended pool");
    for (auto _ : state) {
        rig.engine.Generate();
        benchmark::DoNotOptimize(rig.view.list.size());
    }
}

// The cipher alone: one byte of ChaCha20 keystream for every character of the batch, in one call
// under a fresh key. The engine, drawing a byte per character, cannot do better.
void chachaKeystream(benchmark::State& state)
{
    std::vector<unsigned char> bytes(std::size_t(state.range(0)) * passwordLength);
    unsigned char key[crypto_stream_chacha20_KEYBYTES], nonce[crypto_stream_chacha20_NONCEBYTES] = {};
    for (auto _ : state) {
        randombytes_buf(key, sizeof key);
        crypto_stream_chacha20(bytes.data(), bytes.size(), nonce, key);
        benchmark::DoNotOptimize(bytes.data());
    }
}

// The random source alone: the characters of the batch, a password of 50 at a time from the
// 118-character pool, as the engine asks for them.
void drawCharacters(benchmark::State& state)
{
    const QString pool = EngineRig(1, true).state.pool;
    SodiumRandom random;
    QString password(passwordLength, Qt::Uninitialized);
    for (auto _ : state) {
        for (std::int64_t i = 0; i < state.range(0); ++i)
            random.pick(pool, password);
        random.release();
        benchmark::DoNotOptimize(password.constData());
    }
}

// Copy with nothing selected, through cmdSave_Click and CopyListToClipboard into the fake clipboard.
void copyList(benchmark::State& state)
{
    const QStringList entries = fillList(int(state.range(0)));
    WindowRig& r = rig();
    r.clipboard.text.clear();
    r.click("cmdSave");
    if (r.clipboard.text != asText(entries))
        return state.SkipWithError("the clipboard does not hold the whole list");
    for (auto _ : state)
        r.click("cmdSave");
}

// Save through cmdSaveIt_Click and saveTextFile, into a file in the fake services' temporary folder.
void saveList(benchmark::State& state)
{
    const QStringList entries = fillList(int(state.range(0)));
    WindowRig& r = rig();
    r.savePath = r.dir.filePath(QStringLiteral("passwords.txt"));
    // A failed save would open a modal message box; find out before the window is asked to.
    if (!saveTextFile(r.savePath, QString()).saved)
        return state.SkipWithError("the temporary folder is not writable");
    r.click("cmdSaveIt");
    QFile saved(r.savePath);
    if (!saved.open(QIODevice::ReadOnly) || saved.readAll() != asText(entries).toUtf8())
        return state.SkipWithError("the saved file does not hold the whole list");
    for (auto _ : state)
        r.click("cmdSaveIt");
}

// A peer for context: `pwgen -s -y 50 <count> > /dev/null`, the whole process.
void pwgenPeer(benchmark::State& state)
{
    if (!runPwgen)
        return state.SkipWithError("skipped (--no-pwgen)");
    const std::string command = "pwgen -s -y " + std::to_string(passwordLength) + ' ' +
                                std::to_string(state.range(0)) + " > /dev/null 2>&1";
    for (auto _ : state)
        if (std::system(command.c_str()) != 0)
            return state.SkipWithError("pwgen did not run (the pwgen package is missing?)");
}

void setUp(benchmark::internal::Benchmark* bench, std::initializer_list<std::int64_t> counts)
{
    for (const std::int64_t count : counts)
        bench->Arg(count);
    bench->Unit(benchmark::kMillisecond)->UseRealTime();
}

// Why a run stopped early, if it did. Google Benchmark 1.8 replaced a run's error flag and message
// with a skip state and message; Debian 12 has 1.7, Debian 13 has 1.9.
template <typename R>
std::optional<std::string> runError(const R& run)
{
    if constexpr (requires { run.skip_message; })
        return run.skipped != decltype(run.skipped){} ? std::optional(run.skip_message) : std::nullopt;
    else
        return run.error_occurred ? std::optional(run.error_message) : std::nullopt;
}

// Keeps each benchmark's median: the library's aggregate, or the one repetition when there is one.
class FigureReporter final : public benchmark::ConsoleReporter
{
public:
    void ReportRuns(const std::vector<Run>& runs) override
    {
        for (const Run& run : runs) {
            const std::string name = run.run_name.function_name + '/' + run.run_name.args;
            const std::optional<std::string> error = runError(run);
            if (error && error->rfind("skipped", 0) != 0)
                failed.push_back(name + ": " + *error);
            else if (!error && (run.run_type == Run::RT_Iteration || run.aggregate_name == "median"))
                median[name] = run.GetAdjustedRealTime() / benchmark::GetTimeUnitMultiplier(run.time_unit);
        }
        ConsoleReporter::ReportRuns(runs);
    }
    std::map<std::string, double> median; // seconds
    std::vector<std::string> failed;
};

// Writes one row per figure, fields separated by tabs: title, measured, bound, ratio, target,
// verdict and the command that measures it alone.
void reportFigures(const FigureReporter& reporter, std::FILE* rows)
{
    struct Figure
    {
        const char* title;
        const char* measured;
        const char* bound; // empty: the target is a time in seconds, not a ratio
        double target;     // 0: context only
        const char* filter;
    };
    static const Figure figures[]{
        // A batch of 1000 is for context: the window's one repaint, a fixed cost, outweighs the engine there.
        {"Generate 1000x50 (118 chars): window vs engine", "generate_window/1000", "generate_engine/1000", 0,
         "^generate_(window|engine)/1000/"},
        {"Generate 32767x50 (118 chars): window vs engine", "generate_window/32767", "generate_engine/32767", 1.5,
         "^generate_(window|engine)/32767/"},
        {"Engine 1000x50 vs ChaCha20, 50000 bytes", "generate_engine/1000", "chacha20_keystream/1000", 0,
         "^(generate_engine|chacha20_keystream)/1000/"},
        {"Engine 32767x50 vs ChaCha20, 1638350 bytes", "generate_engine/32767", "chacha20_keystream/32767", 3,
         "^(generate_engine|chacha20_keystream)/32767/"},
        {"  without AVX-512 vs ChaCha20", "generate_engine_portable/32767", "chacha20_keystream/32767", 3,
         "^(generate_engine_portable|chacha20_keystream)/32767/"},
        // The engine's two parts, each against the same bound: together they are the engine.
        {"  its random source alone vs ChaCha20", "draw_characters/32767", "chacha20_keystream/32767", 0,
         "^(draw_characters|chacha20_keystream)/32767/"},
        {"  the rest of it (no randomness) vs ChaCha20", "generate_engine_unrandom/32767", "chacha20_keystream/32767",
         0, "^(generate_engine_unrandom|chacha20_keystream)/32767/"},
        {"Copy 32767 vs Copy 3277 (linear)", "copy_list/32767", "copy_list/3277", 12, "^copy_list/"},
        {"Copy 32767 entries", "copy_list/32767", "", 0.010, "^copy_list/32767/"},
        {"Save 32767 vs Save 3277 (linear)", "save_list/32767", "save_list/3277", 12, "^save_list/"},
        {"pwgen -s -y 50 32767 vs engine 32767x50 (93 chars)", "pwgen_peer/32767", "generate_engine_pool93/32767",
         0, "^(pwgen_peer|generate_engine_pool93)/"},
    };
    for (const Figure& f : figures) {
        const auto measured = reporter.median.find(f.measured), bound = reporter.median.find(f.bound);
        const bool isTime = *f.bound == '\0';
        if (measured == reporter.median.end() || (!isTime && bound == reporter.median.end()))
            continue;
        const double ratio = measured->second / (isTime ? f.target : bound->second);
        char boundText[32] = "-", ratioText[32] = "-", target[32] = "-";
        if (!isTime) {
            std::snprintf(boundText, sizeof boundText, "%.3g ms", bound->second * 1e3);
            std::snprintf(ratioText, sizeof ratioText, "%.2fx", ratio);
        }
        if (f.target > 0)
            std::snprintf(target, sizeof target, isTime ? "<= %g ms" : "<= %gx", isTime ? f.target * 1e3 : f.target);
        const char* verdict = f.target == 0 ? "INFO" : ratio <= (isTime ? 1 : f.target) ? "PASS" : "MISS";
        std::fprintf(rows, "%s\t%.3g ms\t%s\t%s\t%s\t%s\tbuild-bench/bench/corvane_bench --benchmark_filter='%s'\n",
                     f.title, measured->second * 1e3, boundText, ratioText, target, verdict, f.filter);
    }
}

} // namespace

BENCHMARK(generateWindow)->Name("generate_window")->Apply([](auto* b) { setUp(b, {1000, 32767}); });
BENCHMARK_CAPTURE(generateEngine, all, true, Draw::Fastest)->Name("generate_engine")->Apply([](auto* b) { setUp(b, {1000, 32767}); });
BENCHMARK(chachaKeystream)->Name("chacha20_keystream")->Apply([](auto* b) { setUp(b, {1000, 32767}); });
BENCHMARK(drawCharacters)->Name("draw_characters")->Apply([](auto* b) { setUp(b, {32767}); });
BENCHMARK_CAPTURE(generateEngine, portable, true, Draw::Portable)->Name("generate_engine_portable")->Apply([](auto* b) { setUp(b, {32767}); });
BENCHMARK_CAPTURE(generateEngine, unrandom, true, Draw::None)->Name("generate_engine_unrandom")->Apply([](auto* b) { setUp(b, {32767}); });
BENCHMARK(copyList)->Name("copy_list")->Apply([](auto* b) { setUp(b, {3277, 32767}); });
BENCHMARK(saveList)->Name("save_list")->Apply([](auto* b) { setUp(b, {3277, 32767}); });
BENCHMARK_CAPTURE(generateEngine, pool93, false, Draw::Fastest)->Name("generate_engine_pool93")->Apply([](auto* b) { setUp(b, {32767}); });
BENCHMARK(pwgenPeer)->Name("pwgen_peer")->Apply([](auto* b) { setUp(b, {32767}); });

int main(int argc, char** argv)
{
    // Defaults first, so the same flags given on the command line win.
    std::string defaults[] = {"--benchmark_repetitions=9", "--benchmark_enable_random_interleaving=true",
                              "--benchmark_display_aggregates_only=true"};
    std::vector<char*> args{argv[0], defaults[0].data(), defaults[1].data(), defaults[2].data()};
    std::string figuresPath;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg.rfind("--figures=", 0) == 0)
            figuresPath = arg.substr(10);
        else if (arg == "--no-pwgen")
            runPwgen = false;
        else
            args.push_back(argv[i]);
    }
    int count = int(args.size());
    args.push_back(nullptr);

    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    int qtArgc = 1;
    QApplication app(qtArgc, argv);
    if (sodium_init() < 0)
        qFatal("libsodium could not be initialised");

    benchmark::Initialize(&count, args.data());
    if (benchmark::ReportUnrecognizedArguments(count, args.data()))
        return 2;
    FigureReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    windowRig.reset();
    std::FILE* rows = figuresPath.empty() ? stdout : std::fopen(figuresPath.c_str(), "w");
    if (!rows)
        qFatal("cannot write %s", figuresPath.c_str());
    reportFigures(reporter, rows);
    if (rows != stdout)
        std::fclose(rows);
    for (const std::string& failure : reporter.failed)
        std::fprintf(stderr, "FAILED %s\n", failure.c_str());
    return reporter.failed.empty() ? 0 : 1;
}
