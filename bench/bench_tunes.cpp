// Training to the result on real tunes: the first 16, 32 and 64 notes of each
// MIDI file given, read through our MIDI import, trained at 8 inputs and 16
// hidden neurons (and the 16-note ones also at the derived 3), against FANN's
// RPROP on the same patterns, shape, activation and scaling in the same run.
// Prints a Markdown table, then what continuations of the trained networks
// look like with and without the tune's own notes.
//
//   bench_tunes [--optimizer auto|lm|rprop] [--seconds S] [--fann-epochs N] [--hidden H,H...]
//               [--stall-starts N] FILE.mid...
#include "engine/Prediction.h"
#include "engine/ResultTraining.h"
#include "midi/MidiImport.h"

#include "BenchNetwork.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <set>
#include <string>
#include <vector>

#if MELODYNET_BENCH_FANN
#include <doublefann.h>
#endif

namespace {

struct Settings {
    ResultOptimizer optimizer = ResultOptimizer::Automatic;
    double seconds = 60.0;
    int32_t stallStarts = ResultTrainingOptions{}.stallStarts;
    unsigned fannEpochs = 20000;
    // Shapes tried at every length instead of 16 everywhere and 3 on 16 notes.
    std::vector<int32_t> hidden;
    std::vector<std::string> files;
};

struct Side {
    int32_t exact = 0;
    int64_t epochs = 0;
    double seconds = 0.0;
};

double now() {
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

std::unique_ptr<mdMain> stateFor(const std::vector<uint8_t>& codes, int32_t hidden) {
    auto state = BuildBenchNetwork(8, hidden);
    std::copy(codes.begin(), codes.end(), state->Melody.begin());
    state->MelodyLen = static_cast<int32_t>(codes.size()) - 1;
    return state;
}

#if MELODYNET_BENCH_FANN
// FANN's RPROP, full batch, on the patterns of the set; stops when every
// learnable window is exact or after `epochs`.
Side fannRprop(const TrainingSet& set, int32_t hidden, unsigned epochs) {
    const auto inputs = static_cast<unsigned>(set.inputs());
    fann* ann = fann_create_standard(3, inputs, static_cast<unsigned>(hidden), 1u);
    fann_set_activation_function_hidden(ann, FANN_SIGMOID_SYMMETRIC);
    fann_set_activation_function_output(ann, FANN_SIGMOID_SYMMETRIC);
    fann_set_activation_steepness_hidden(ann, 0.5);
    fann_set_activation_steepness_output(ann, 0.5);
    fann_set_training_algorithm(ann, FANN_TRAIN_RPROP);
    fann_randomize_weights(ann, -0.5, 0.5);
    const auto patterns = static_cast<unsigned>(set.patterns());
    fann_train_data* data = fann_create_train(patterns, inputs, 1u);
    for (unsigned p = 0; p < patterns; ++p) {
        std::copy_n(set.input(static_cast<int32_t>(p)), inputs, data->input[p]);
        data->output[p][0] = set.target(static_cast<int32_t>(p));
    }
    const auto exact = [&] {
        int32_t count = 0;
        for (unsigned p = 0; p < patterns; ++p)
            count += set.exactWindows(static_cast<int32_t>(p), ValueToNote(fann_run(ann, data->input[p])[0]));
        return count;
    };
    Side side;
    const double start = now();
    side.exact = exact();
    while (side.exact < set.learnable() && side.epochs < epochs) {
        fann_train_epoch(ann, data);
        ++side.epochs;
        side.exact = exact();
    }
    side.seconds = now() - start;
    fann_destroy_train(data);
    fann_destroy(ann);
    return side;
}
#endif

// How a continuation of 64 notes sits in the tune.
struct Shape {
    double own = 0, inside = 0, pauses = 0, distinct = 0, longestRun = 0;

    Shape& operator+=(const Shape& other) {
        own += other.own;
        inside += other.inside;
        pauses += other.pauses;
        distinct += other.distinct;
        longestRun += other.longestRun;
        return *this;
    }
};

Shape continuationShape(mdMain& state, const std::vector<uint8_t>& codes, bool melodyNotes) {
    const std::vector<uint8_t> notes = ContinueMelody(state, 64, melodyNotes);
    const std::set<uint8_t> own(codes.begin(), codes.end());
    uint8_t low = 49, high = 1;
    for (const uint8_t c : codes)
        if (c >= 2) {
            low = std::min(low, c);
            high = std::max(high, c);
        }
    Shape shape;
    double run = 0;
    for (size_t i = 0; i < notes.size(); ++i) {
        const uint8_t c = notes[i];
        shape.own += own.count(c) ? 1 : 0;
        shape.inside += (c == 1 || (c >= low && c <= high)) ? 1 : 0;
        shape.pauses += c == 1 ? 1 : 0;
        run = i > 0 && notes[i - 1] == c ? run + 1 : 1;
        shape.longestRun = std::max(shape.longestRun, run);
    }
    shape.distinct = static_cast<double>(std::set<uint8_t>(notes.begin(), notes.end()).size());
    const double n = static_cast<double>(std::max<size_t>(notes.size(), 1));
    shape.own /= n;
    shape.inside /= n;
    shape.pauses /= n;
    return shape;
}

std::string baseName(const std::string& path) {
    const size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

bool parse(int argc, char** argv, Settings& settings) {
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "--optimizer" && i + 1 < argc) {
            const std::string v = argv[++i];
            settings.optimizer = v == "lm"      ? ResultOptimizer::LevenbergMarquardt
                                 : v == "rprop" ? ResultOptimizer::Rprop
                                                : ResultOptimizer::Automatic;
        } else if (a == "--seconds" && i + 1 < argc) {
            settings.seconds = std::atof(argv[++i]);
        } else if (a == "--hidden" && i + 1 < argc) {
            for (const char* p = argv[++i]; *p;) {
                char* end = nullptr;
                settings.hidden.push_back(static_cast<int32_t>(std::strtol(p, &end, 10)));
                p = *end == ',' ? end + 1 : end;
                if (settings.hidden.back() < 1)
                    return false;
            }
        } else if (a == "--stall-starts" && i + 1 < argc) {
            settings.stallStarts = std::atoi(argv[++i]);
        } else if (a == "--fann-epochs" && i + 1 < argc) {
            settings.fannEpochs = static_cast<unsigned>(std::atoi(argv[++i]));
        } else if (!a.empty() && a[0] == '-') {
            return false;
        } else {
            settings.files.push_back(a);
        }
    }
    return !settings.files.empty();
}

} // namespace

int main(int argc, char** argv) {
    Settings settings;
    if (!parse(argc, argv, settings)) {
        std::fprintf(stderr, "usage: bench_tunes [--optimizer auto|lm|rprop] [--seconds S] [--fann-epochs N] [--hidden "
                             "H,H...] FILE.mid...\n");
        return 2;
    }
    std::printf("| tune | notes | shape | learnable | ours: exact | epochs | restarts | s | end | FANN: exact | epochs "
                "| s |\n");
    std::printf("|---|---|---|---|---|---|---|---|---|---|---|---|\n");
    double ourTotal = 0, fannTotal = 0;
    int reached = 0, runs = 0;
    Shape plain, own;
    int continued = 0;
    static const char* Ends[] = {"all", "stalled", "time", "cancelled", "none"};
    for (const std::string& file : settings.files) {
        std::ifstream in(file, std::ios::binary);
        const std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        const MidiImport import = ImportMidiMelody(bytes);
        if (!import.ok())
            continue;
        for (const size_t notes : {16u, 32u, 64u}) {
            if (import->codes.size() < notes)
                continue;
            const std::vector<uint8_t> codes(import->codes.begin(), import->codes.begin() + notes);
            const std::vector<int32_t> shapes = settings.hidden.empty() ? std::vector<int32_t>{16, 3} : settings.hidden;
            for (const int32_t hidden : shapes) {
                if (settings.hidden.empty() && hidden == 3 && notes != 16)
                    continue;
                auto state = stateFor(codes, hidden);
                const TrainingSet set = TrainingSet::FromMelody(*state, 8);
                ResultTrainingOptions options;
                options.maxSeconds = settings.seconds;
                options.seed = 1;
                options.optimizer = settings.optimizer;
                options.stallStarts = settings.stallStarts;
                const ResultOutcome ours = TrainToResult(*state, options);
                Side fann;
#if MELODYNET_BENCH_FANN
                fann = fannRprop(set, hidden, settings.fannEpochs);
#endif
                std::printf("| %s | %zu | 8-%d | %d | %d | %d | %d | %.3f | %s | %d | %lld | %.3f |\n",
                            baseName(file).c_str(), notes, hidden, set.learnable(), ours.exact, ours.epochs,
                            ours.restarts, ours.seconds, Ends[static_cast<int>(ours.end)], fann.exact,
                            static_cast<long long>(fann.epochs), fann.seconds);
                std::fflush(stdout);
                ourTotal += ours.seconds;
                fannTotal += fann.seconds;
                reached += ours.exact == set.learnable();
                ++runs;
                if (hidden == 16 && notes == 32) {
                    const int32_t len = state->MelodyLen;
                    plain += continuationShape(*state, codes, false);
                    state->MelodyLen = len;
                    own += continuationShape(*state, codes, true);
                    ++continued;
                }
            }
        }
    }
    std::printf("\nreached: %d of %d runs; total seconds: ours %.3f, FANN %.3f (ratio %.3f)\n", reached, runs, ourTotal,
                fannTotal, fannTotal > 0 ? ourTotal / fannTotal : 0.0);
    if (continued > 0) {
        std::printf("\ncontinuations of 64 notes after 32-note tunes at 8-16 (means over %d tunes):\n", continued);
        std::printf("| option | own notes | inside range | distinct codes | longest run | pauses "
                    "|\n|---|---|---|---|---|---|\n");
        for (const auto& [name, shape] : {std::pair{"plain", plain}, std::pair{"melody notes", own}})
            std::printf("| %s | %.0f %% | %.0f %% | %.1f | %.1f | %.0f %% |\n", name, 100 * shape.own / continued,
                        100 * shape.inside / continued, shape.distinct / continued, shape.longestRun / continued,
                        100 * shape.pauses / continued);
    }
    return 0;
}
