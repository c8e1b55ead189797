// In-process performance figures, each measured in the same run as the figure that bounds it.
// Repetitions run interleaved at random and every figure is the median of its repetitions, so a
// noisy, shared machine slows both sides of a ratio alike.

#include "BenchFixtures.h"
#include "CharClasses.h"
#include "GenerationState.h"
#include "ListExport.h"
#include "SodiumRandom.h"
#include "modGen.h"

#include <QApplication>
#include <QCheckBox>
#include <QFile>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTemporaryDir>
#include <algorithm>
#include <array>
#include <benchmark/benchmark.h>
#include <cstdio>
#include <fcntl.h>
#include <map>
#include <memory>
#include <sodium.h>
#include <spawn.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

using namespace corvane;
using namespace corvane::test;

namespace {

constexpr int passwordLength = 50;
constexpr int allClasses = 118; // characters of the five classes, the extended pair counted twice
constexpr int fourClasses = 93;
const QString lengthText = QString::number(passwordLength);
bool runPwgen = true;

// The engine over a view that keeps the list in a QStringList; all five classes (118 characters)
// or the four without the extended characters (93).
RecorderView engineView(int count, bool extended)
{
    RecorderView view;
    view.classes = {1, 1, 1, 1, extended ? 1 : 0};
    view.special = specialCharacterSet();
    view.extended = extendedCharacterSet();
    view.length = lengthText;
    view.count = QString::number(count);
    return view;
}

bool wholeBatch(const QStringList& list, int count)
{
    return list.size() == count && std::all_of(list.cbegin(), list.cend(),
                                               [](const QString& p) { return p.size() == passwordLength; });
}

QStringList makeEntries(int count)
{
    RecorderView view = engineView(count, true);
    GenerationState state;
    SodiumRandom random;
    modGen(view, state, random).Generate();
    return view.list;
}

// Lets the window finish what a click leaves queued: the list's layout and the repaint.
void settle()
{
    for (int i = 0; i < 3; ++i) {
        QCoreApplication::sendPostedEvents();
        QCoreApplication::processEvents();
    }
}

// The real main window over fake services, shown offscreen, with all five classes ticked. The
// warning is marked as shown so ticking the extended characters opens no dialog.
class WindowRig
{
public:
    WindowRig()
    {
        harness.setPreset(QStringLiteral("Warn"), QStringLiteral("1"));
        harness.open();
        harness.child<QLineEdit>(QStringLiteral("txtChars"))->setText(lengthText);
        for (int i = 0; i < classCount; ++i)
            harness.child<QCheckBox>(QStringLiteral("chkOpt(%1)").arg(i))->setChecked(true);
        harness.window->askSaveFileName = [this](QWidget*) { return savePath; };
        settle();
    }

    QListWidget* list() const { return harness.child<QListWidget>(QStringLiteral("lstPass")); }
    void setCount(int count) const
    {
        harness.child<QLineEdit>(QStringLiteral("txtNumOf"))->setText(QString::number(count));
    }
    void click(const char* button) const { harness.child<QPushButton>(QString::fromLatin1(button))->click(); }

    MainWindowHarness harness;
    QString savePath;
};

std::unique_ptr<WindowRig> windowRig;

WindowRig& rig()
{
    if (!windowRig)
        windowRig = std::make_unique<WindowRig>();
    return *windowRig;
}

// Generate through cmdGen_Click into the real QListWidget, repaint included.
void generateWindow(benchmark::State& state)
{
    const int count = static_cast<int>(state.range(0));
    WindowRig& r = rig();
    r.setCount(count);
    r.click("cmdGen"); // the list holds a batch before timing starts, as on a second Generate
    settle();
    const QListWidget* list = r.list();
    QStringList shown;
    for (int i = 0; i < list->count(); ++i)
        shown.append(list->item(i)->text());
    if (!wholeBatch(shown, count) || r.harness.state.pool.size() != allClasses) {
        state.SkipWithError("the window's list does not hold the whole batch of all five classes");
        return;
    }
    for (auto _ : state) {
        r.click("cmdGen");
        settle();
    }
    state.SetItemsProcessed(state.iterations() * count);
}

// The engine alone, the same batch into a QStringList: the bound of the window, and the figure
// that the random bytes and pwgen are set against.
void generateEngine(benchmark::State& state, bool extended)
{
    const int count = static_cast<int>(state.range(0));
    RecorderView view = engineView(count, extended);
    GenerationState generation;
    SodiumRandom random;
    modGen engine(view, generation, random);
    engine.Generate();
    if (!wholeBatch(view.list, count) || !view.messages.isEmpty() ||
        generation.pool.size() != (extended ? allClasses : fourClasses)) {
        state.SkipWithError("the engine did not produce the whole batch from the intended pool");
        return;
    }
    for (auto _ : state) {
        engine.Generate();
        benchmark::DoNotOptimize(view.list.constData());
    }
    state.SetItemsProcessed(state.iterations() * count);
}

// The operating system's random bytes for the batch as the engine asks for them, one call of
// 200 bytes per password.
void randomBytesRaw(benchmark::State& state)
{
    const int count = static_cast<int>(state.range(0));
    if (sodium_init() < 0) {
        state.SkipWithError("libsodium could not be initialised");
        return;
    }
    std::array<std::uint32_t, SodiumRandom::wordsPerRefill> words{};
    static_assert(sizeof words == 200);
    for (auto _ : state) {
        for (int i = 0; i < count; ++i) {
            randombytes_buf(words.data(), sizeof words);
            benchmark::DoNotOptimize(words.data());
        }
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * count);
}

// Copy with nothing selected, through cmdSave_Click and CopyListToClipboard into the
// fake clipboard.
void copyList(benchmark::State& state)
{
    const int count = static_cast<int>(state.range(0));
    WindowRig& r = rig();
    const QStringList entries = makeEntries(count);
    r.harness.fillList(entries);
    r.harness.clipboard.text.clear();
    r.click("cmdSave");
    if (r.harness.clipboard.text != listText(entries)) {
        state.SkipWithError("the clipboard does not hold the whole list");
        return;
    }
    for (auto _ : state)
        r.click("cmdSave");
    state.SetItemsProcessed(state.iterations() * count);
}

// Save through cmdSaveIt_Click and saveTextFile, into a file in a temporary folder.
void saveList(benchmark::State& state)
{
    const int count = static_cast<int>(state.range(0));
    WindowRig& r = rig();
    QTemporaryDir folder;
    if (!folder.isValid()) {
        state.SkipWithError("no temporary folder");
        return;
    }
    const QStringList entries = makeEntries(count);
    const QByteArray expected = listText(entries).toUtf8();
    r.harness.fillList(entries);
    r.savePath = folder.filePath(QStringLiteral("passwords.txt"));
    // A failed save would open a modal message box; find out before the window is asked to.
    if (!saveTextFile(r.savePath, QString()).saved) {
        state.SkipWithError("the temporary folder is not writable");
        return;
    }
    r.click("cmdSaveIt");
    QFile saved(r.savePath);
    if (!saved.open(QIODevice::ReadOnly) || saved.readAll() != expected) {
        state.SkipWithError("the saved file does not hold the whole list");
        return;
    }
    for (auto _ : state)
        r.click("cmdSaveIt");
    state.SetItemsProcessed(state.iterations() * count);
}

// A peer for context: `pwgen -s -y 50 <count> > /dev/null`, the whole process.
void pwgenPeer(benchmark::State& state)
{
    if (!runPwgen) {
        state.SkipWithError("skipped (--no-pwgen)");
        return;
    }
    std::string count = std::to_string(state.range(0));
    std::string length = std::to_string(passwordLength);
    std::string program = "pwgen", secure = "-s", symbols = "-y";
    char* argv[] = {program.data(), secure.data(), symbols.data(), length.data(), count.data(), nullptr};
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    for (auto _ : state) {
        pid_t pid = 0;
        int status = 0;
        if (posix_spawnp(&pid, "pwgen", &actions, nullptr, argv, environ) != 0 ||
            waitpid(pid, &status, 0) != pid || !WIFEXITED(status) || WEXITSTATUS(status) != 0) {
            state.SkipWithError("pwgen did not run (the pwgen package is missing?)");
            break;
        }
    }
    posix_spawn_file_actions_destroy(&actions);
    state.SetItemsProcessed(state.iterations() * state.range(0));
}

BENCHMARK(generateWindow)
    ->Name("generate_window")
    ->Arg(1000)
    ->Arg(32767)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK_CAPTURE(generateEngine, all, true)
    ->Name("generate_engine")
    ->Arg(1000)
    ->Arg(32767)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK(randomBytesRaw)
    ->Name("random_bytes_raw")
    ->Arg(1000)
    ->Arg(32767)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK(copyList)->Name("copy_list")->Arg(3277)->Arg(32767)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(saveList)->Name("save_list")->Arg(3277)->Arg(32767)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_CAPTURE(generateEngine, pool93, false)
    ->Name("generate_engine_pool93")
    ->Arg(32767)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK(pwgenPeer)->Name("pwgen_peer")->Arg(32767)->Unit(benchmark::kMillisecond)->UseRealTime();

// Keeps every repetition's time per benchmark, so a figure is the median whether or not the
// library's own aggregates are shown; and notes any benchmark that failed its own checks.
class FigureReporter final : public benchmark::ConsoleReporter
{
public:
    void ReportRuns(const std::vector<Run>& runs) override
    {
        for (const Run& run : runs) {
            const std::string name = run.run_name.function_name + '/' + run.run_name.args;
            if (run.error_occurred) {
                if (run.error_message.rfind("skipped", 0) != 0)
                    failed.push_back(name + ": " + run.error_message);
                continue;
            }
            const double seconds =
                run.GetAdjustedRealTime() / benchmark::GetTimeUnitMultiplier(run.time_unit);
            if (run.run_type == Run::RT_Iteration)
                repetitions[name].push_back(seconds);
            else if (run.aggregate_name == "median")
                aggregateMedians[name] = seconds;
        }
        ConsoleReporter::ReportRuns(runs);
    }

    // Seconds, or a negative number when the benchmark did not run.
    double median(const std::string& name) const
    {
        if (auto found = repetitions.find(name); found != repetitions.end() && !found->second.empty()) {
            std::vector<double> values = found->second;
            std::sort(values.begin(), values.end());
            const std::size_t n = values.size();
            return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
        }
        if (auto found = aggregateMedians.find(name); found != aggregateMedians.end())
            return found->second;
        return -1;
    }

    std::vector<std::string> failed;

private:
    std::map<std::string, std::vector<double>> repetitions;
    std::map<std::string, double> aggregateMedians;
};

struct Figure
{
    std::string title;
    std::string measured;
    std::string bound;     // empty: the target is a time, not a ratio
    double target;         // the largest ratio, or the largest time in seconds; 0: context only
    std::string reproduce; // the benchmark filter that measures this figure alone
};

std::string milliseconds(double seconds)
{
    char text[32];
    std::snprintf(text, sizeof text, "%.3g ms", seconds * 1e3);
    return text;
}

std::string number(const char* format, double value)
{
    char text[32];
    std::snprintf(text, sizeof text, format, value);
    return text;
}

// Prints the table and, when asked, writes its rows for bench/run.sh: fields separated by tabs.
void reportFigures(const FigureReporter& reporter, const std::string& figuresPath)
{
    const std::string prefix = "build-bench/bench/corvane_bench --benchmark_filter='";
    const std::vector<Figure> figures{
        {"Generate 1000x50 (118 chars): window vs engine", "generate_window/1000", "generate_engine/1000",
         1.5, "^generate_(window|engine)/1000/"},
        {"Generate 32767x50 (118 chars): window vs engine", "generate_window/32767", "generate_engine/32767",
         1.5, "^generate_(window|engine)/32767/"},
        {"Engine 1000x50 vs its random bytes", "generate_engine/1000", "random_bytes_raw/1000", 2.0,
         "^(generate_engine|random_bytes_raw)/1000/"},
        {"Engine 32767x50 vs its random bytes", "generate_engine/32767", "random_bytes_raw/32767", 2.0,
         "^(generate_engine|random_bytes_raw)/32767/"},
        {"Copy 32767 vs Copy 3277 (linear)", "copy_list/32767", "copy_list/3277", 12.0, "^copy_list/"},
        {"Copy 32767 entries", "copy_list/32767", "", 0.010, "^copy_list/32767/"},
        {"Save 32767 vs Save 3277 (linear)", "save_list/32767", "save_list/3277", 12.0, "^save_list/"},
        {"pwgen -s -y 50 32767 vs engine 32767x50 (93 chars)", "pwgen_peer/32767",
         "generate_engine_pool93/32767", 0.0, "^(pwgen_peer|generate_engine_pool93)/"},
    };

    std::FILE* rows = figuresPath.empty() ? nullptr : std::fopen(figuresPath.c_str(), "w");
    std::printf("\n%-52s %12s %12s %8s %8s  %s\n", "Figure", "Measured", "Bound", "Ratio", "Target",
                "Verdict");
    for (const Figure& figure : figures) {
        const double measured = reporter.median(figure.measured);
        const double bound = figure.bound.empty() ? figure.target : reporter.median(figure.bound);
        if (measured < 0 || bound <= 0)
            continue;
        const double ratio = measured / bound;
        std::string target = "-", verdict = "INFO";
        if (figure.target > 0) {
            target = figure.bound.empty() ? "<= " + milliseconds(figure.target)
                                          : number("<= %.2gx", figure.target);
            verdict = ratio <= (figure.bound.empty() ? 1.0 : figure.target) ? "PASS" : "MISS";
        }
        const std::string boundText = figure.bound.empty() ? "-" : milliseconds(bound);
        const std::string ratioText = figure.bound.empty() ? "-" : number("%.2fx", ratio);
        std::printf("%-52s %12s %12s %8s %8s  %s\n", figure.title.c_str(), milliseconds(measured).c_str(),
                    boundText.c_str(), ratioText.c_str(), target.c_str(), verdict.c_str());
        if (rows)
            std::fprintf(rows, "%s\t%s\t%s\t%s\t%s\t%s\t%s%s'\n", figure.title.c_str(),
                         milliseconds(measured).c_str(), boundText.c_str(), ratioText.c_str(), target.c_str(),
                         verdict.c_str(), prefix.c_str(), figure.reproduce.c_str());
    }
    if (rows)
        std::fclose(rows);
}

} // namespace

int main(int argc, char** argv)
{
    // Defaults first, so the same flags given on the command line win.
    std::vector<char*> args{argv[0]};
    std::string repetitions = "--benchmark_repetitions=9";
    std::string interleave = "--benchmark_enable_random_interleaving=true";
    std::string aggregatesOnly = "--benchmark_display_aggregates_only=true";
    args.insert(args.end(), {repetitions.data(), interleave.data(), aggregatesOnly.data()});
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
    int count = static_cast<int>(args.size());
    args.push_back(nullptr);

    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    int qtArgc = 1;
    QApplication app(qtArgc, argv);

    benchmark::Initialize(&count, args.data());
    if (benchmark::ReportUnrecognizedArguments(count, args.data()))
        return 2;
    FigureReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    windowRig.reset();
    reportFigures(reporter, figuresPath);
    for (const std::string& failure : reporter.failed)
        std::fprintf(stderr, "FAILED %s\n", failure.c_str());
    return reporter.failed.empty() ? 0 : 1;
}
