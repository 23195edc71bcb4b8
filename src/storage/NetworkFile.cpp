#include "storage/NetworkFile.h"

#include "numbers/NumberText.h"

#include <cmath>
#include <stdexcept>

namespace {

constexpr std::string_view LineEnd = "\r\n";

bool Storable(double value) {
    return std::isfinite(value);
}

// Walks the text line by line; LF ends a line, a CR right before it belongs
// to the line end.
class LineReader {
public:
    explicit LineReader(std::string_view text) : rest_(text) {}

    // The next line, or nullopt at the end of the text. A text ending in a
    // line end has no empty line after it.
    std::optional<std::string_view> next() {
        if (rest_.empty())
            return std::nullopt;
        ++number_;
        const size_t lf = rest_.find('\n');
        terminated_ = lf != std::string_view::npos;
        std::string_view line = rest_.substr(0, lf);
        rest_ = lf == std::string_view::npos ? std::string_view() : rest_.substr(lf + 1);
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        return line;
    }

    int64_t number() const { return number_; }
    // Whether the line last returned ended in a line end.
    bool terminated() const { return terminated_; }

private:
    std::string_view rest_;
    int64_t number_ = 0;
    bool terminated_ = false;
};

NetworkFileFailure Failure(NetworkFileError error, int64_t line, int64_t value = 0) {
    NetworkFileFailure failure;
    failure.error = error;
    failure.line = line;
    failure.value = value;
    return failure;
}

// Whether a network of these counts can be read or built; a failure names
// the line of the count to blame.
NetworkFileResult<> CheckShape(int64_t inputCount, int64_t hiddenCount) {
    if (inputCount < MinNetworkInputCount)
        return base::Fail(Failure(NetworkFileError::TooFewInputs, 1, inputCount));
    if (inputCount > mdMain::MaxLayerNeurons)
        return base::Fail(Failure(NetworkFileError::TooManyInputs, 1, inputCount));
    if (hiddenCount < MinNetworkHiddenCount)
        return base::Fail(Failure(NetworkFileError::TooFewHidden, 2, hiddenCount));
    if (hiddenCount > mdMain::MaxLayerNeurons)
        return base::Fail(Failure(NetworkFileError::TooManyHidden, 2, hiddenCount));
    if (inputCount * hiddenCount > mdMain::MaxWeights)
        return base::Fail(Failure(NetworkFileError::TooManyWeights, 2, inputCount * hiddenCount));
    return {};
}

// Reads the lines of a network file one number at a time, remembering the
// first problem.
class NumberReader {
public:
    explicit NumberReader(std::string_view text) : lines_(text) {}

    std::optional<double> real() {
        const std::optional<std::string_view> line = lines_.next();
        if (!line) {
            failure_ = Failure(NetworkFileError::Truncated, lines_.number() + 1, expectedLines_);
            failure_.linesFound = lines_.number();
            return std::nullopt;
        }
        // A file cut inside its last number can still hold a number there,
        // only another one: a line the file needs must be finished.
        if (!lines_.terminated()) {
            failure_ = Failure(NetworkFileError::Unterminated, lines_.number());
            return std::nullopt;
        }
        const std::optional<double> value = ParseStrictNumber(*line);
        if (!value) {
            failure_ = Failure(NetworkFileError::NotANumber, lines_.number());
            return std::nullopt;
        }
        return value;
    }

    std::optional<int32_t> count() {
        const std::optional<double> value = real();
        if (!value)
            return std::nullopt;
        if (std::trunc(*value) != *value) {
            failure_ = Failure(NetworkFileError::FractionalCount, lines_.number());
            return std::nullopt;
        }
        // Anything outside 32 bits is far beyond the shape limits anyway;
        // clamping keeps the later range checks meaningful.
        const double clamped = std::fmax(std::fmin(*value, 2147483647.0), -2147483648.0);
        return static_cast<int32_t>(clamped);
    }

    void expectLines(int64_t count) { expectedLines_ = count; }
    base::Failed<NetworkFileFailure> failure() const { return base::Fail(failure_); }

private:
    LineReader lines_;
    int64_t expectedLines_ = 0;
    NetworkFileFailure failure_;
};

bool AllStorable(const std::vector<double>& values) {
    for (double v : values)
        if (!Storable(v))
            return false;
    return true;
}

} // namespace

int64_t NetworkFileLineCount(int32_t inputCount, int32_t hiddenCount) {
    const int64_t n = inputCount;
    const int64_t h = hiddenCount;
    return 5 + 2 * h + h * n;
}

NetworkFileResult<> CheckNetworkFile(const NetworkFile& network) {
    if (NetworkFileResult<> shape = CheckShape(network.InputCount, network.HiddenCount); !shape)
        return base::Fail(Failure(shape.error().error, 0, shape.error().value)); // a record has no lines
    const auto h = static_cast<size_t>(network.HiddenCount);
    const auto n = static_cast<size_t>(network.InputCount);
    const auto fail = [](NetworkFileError error) { return base::Fail(Failure(error, 0)); };
    if (network.OutWeights.size() != h || network.Hidden.size() != h)
        return fail(NetworkFileError::WrongSizes);
    for (const NetworkFileHiddenNeuron& hidden : network.Hidden)
        if (hidden.Weights.size() != n)
            return fail(NetworkFileError::WrongSizes);
    if (!Storable(network.Alpha) || !Storable(network.LearnStep) || !Storable(network.OutDisplacing) ||
        !AllStorable(network.OutWeights))
        return fail(NetworkFileError::NotFinite);
    for (const NetworkFileHiddenNeuron& hidden : network.Hidden)
        if (!Storable(hidden.Displacing) || !AllStorable(hidden.Weights))
            return fail(NetworkFileError::NotFinite);
    return {};
}

NetworkFile NetworkFileOf(const mdMain& state) {
    const int32_t n = state.InputCount;
    const int32_t h = state.HiddenCount;
    if (n < 0 || h < 0 || !state.OutNeuron || state.InLayer.size() != static_cast<size_t>(n) + 1 ||
        state.HiddenLayer.size() != static_cast<size_t>(h) + 1 || state.OutNeuron->nInput() != h)
        throw std::logic_error("the network is not built for the current counts");
    for (int32_t k = 1; k <= h; ++k)
        if (!state.HiddenLayer[k] || state.HiddenLayer[k]->nInput() != n)
            throw std::logic_error("the network is not built for the current counts");

    NetworkFile network;
    network.InputCount = n;
    network.HiddenCount = h;
    network.Alpha = state.Alpha;
    network.LearnStep = state.LearnStep;
    network.OutDisplacing = state.OutNeuron->Displacing();
    network.OutWeights.reserve(static_cast<size_t>(h));
    for (int32_t k = 1; k <= h; ++k)
        network.OutWeights.push_back(state.OutNeuron->iWeight(k));
    network.Hidden.resize(static_cast<size_t>(h));
    for (int32_t k = 1; k <= h; ++k) {
        const CNeuron& neuron = *state.HiddenLayer[k];
        NetworkFileHiddenNeuron& hidden = network.Hidden[static_cast<size_t>(k - 1)];
        hidden.Displacing = neuron.Displacing();
        hidden.Weights.reserve(static_cast<size_t>(n));
        for (int32_t i = 1; i <= n; ++i)
            hidden.Weights.push_back(neuron.iWeight(i));
    }
    return network;
}

std::string NetworkFileText(const NetworkFile& network) {
    std::string text;
    const auto line = [&text](double value) {
        text += FileNumberText(value);
        text += LineEnd;
    };
    line(network.InputCount);
    line(network.HiddenCount);
    line(network.Alpha);
    line(network.LearnStep);
    line(network.OutDisplacing);
    for (double weight : network.OutWeights)
        line(weight);
    for (const NetworkFileHiddenNeuron& hidden : network.Hidden) {
        line(hidden.Displacing);
        for (double weight : hidden.Weights)
            line(weight);
    }
    return text;
}

std::string WriteNetworkFile(const mdMain& state) {
    return NetworkFileText(NetworkFileOf(state));
}

NetworkFileResult<NetworkFile> ReadNetworkFile(std::string_view text) {
    // Editors on some systems put a UTF-8 byte-order mark before the first line.
    if (text.starts_with("\xEF\xBB\xBF"))
        text.remove_prefix(3);
    NumberReader reader(text);
    NetworkFile network;

    const std::optional<int32_t> inputCount = reader.count();
    if (!inputCount)
        return reader.failure();
    const std::optional<int32_t> hiddenCount = reader.count();
    if (!hiddenCount)
        return reader.failure();
    if (NetworkFileResult<> shape = CheckShape(*inputCount, *hiddenCount); !shape)
        return base::Fail(shape.error());
    network.InputCount = *inputCount;
    network.HiddenCount = *hiddenCount;
    reader.expectLines(NetworkFileLineCount(network.InputCount, network.HiddenCount));

    const std::optional<double> alpha = reader.real();
    if (!alpha)
        return reader.failure();
    network.Alpha = *alpha;
    const std::optional<double> learnStep = reader.real();
    if (!learnStep)
        return reader.failure();
    network.LearnStep = *learnStep;
    const std::optional<double> outDisplacing = reader.real();
    if (!outDisplacing)
        return reader.failure();
    network.OutDisplacing = *outDisplacing;

    // Vectors grow line by line instead of being sized from the counts, so a
    // short file that claims a large shape costs no memory.
    for (int32_t k = 1; k <= network.HiddenCount; ++k) {
        const std::optional<double> weight = reader.real();
        if (!weight)
            return reader.failure();
        network.OutWeights.push_back(*weight);
    }
    for (int32_t k = 1; k <= network.HiddenCount; ++k) {
        NetworkFileHiddenNeuron hidden;
        const std::optional<double> displacing = reader.real();
        if (!displacing)
            return reader.failure();
        hidden.Displacing = *displacing;
        for (int32_t i = 1; i <= network.InputCount; ++i) {
            const std::optional<double> weight = reader.real();
            if (!weight)
                return reader.failure();
            hidden.Weights.push_back(*weight);
        }
        network.Hidden.push_back(std::move(hidden));
    }

    return network;
}

NetworkFileResult<NetworkFile> ReadNetworkFileAt(const platform::FileSystem& files, const std::string& path) {
    const platform::FileResult<std::string> file = files.readFile(path, static_cast<uint64_t>(MaxNetworkFileBytes));
    if (file)
        return ReadNetworkFile(*file);
    NetworkFileFailure failure = Failure(
        file.error().error == platform::FileError::TooLarge ? NetworkFileError::TooLarge : NetworkFileError::Unreadable,
        0);
    failure.systemReason = file.error().reason;
    return base::Fail(std::move(failure));
}

NetworkFileResult<> SaveNetworkFile(platform::FileSystem& files, const std::string& path, const mdMain& state) {
    const NetworkFile network = NetworkFileOf(state);
    // A value the reader would refuse must not reach a file that would then
    // fail to load.
    if (NetworkFileResult<> checked = CheckNetworkFile(network); !checked)
        return checked;
    if (const platform::FileResult<> written = files.replaceFile(path, NetworkFileText(network)); !written) {
        NetworkFileFailure failure = Failure(NetworkFileError::NotWritten, 0);
        failure.systemReason = written.error().reason;
        return base::Fail(std::move(failure));
    }
    return {};
}

NetworkFileResult<> ApplyNetworkFile(mdMain& state, const NetworkFile& network) {
    if (NetworkFileResult<> checked = CheckNetworkFile(network); !checked)
        return checked;
    if (!state.OutNeuron)
        throw std::logic_error("ApplyNetworkFile: the output neuron has not been created");

    const int32_t oldInputCount = state.InputCount;
    const int32_t oldHiddenCount = state.HiddenCount;
    const double oldAlpha = state.Alpha;
    const double oldLearnStep = state.LearnStep;
    try {
        state.InputCount = network.InputCount;
        state.HiddenCount = network.HiddenCount;
        state.Alpha = network.Alpha;
        state.LearnStep = network.LearnStep;
        if (state.CreateNS() != ShapeCheck::Buildable)
            throw std::logic_error("ApplyNetworkFile: a checked shape was refused");

        CNeuron& out = *state.OutNeuron;
        out.setDisplacing(network.OutDisplacing);
        for (int32_t k = 1; k <= network.HiddenCount; ++k)
            out.setIWeight(k, network.OutWeights[static_cast<size_t>(k - 1)]);
        for (int32_t k = 1; k <= network.HiddenCount; ++k) {
            const NetworkFileHiddenNeuron& values = network.Hidden[static_cast<size_t>(k - 1)];
            CNeuron& hidden = *state.HiddenLayer[k];
            // Evaluated once when all its values are in, not after every
            // weight: the same Result at a cost linear in the weights.
            hidden.setAutoOperate(false);
            hidden.setDisplacing(values.Displacing);
            for (int32_t i = 1; i <= network.InputCount; ++i)
                hidden.setIWeight(i, values.Weights[static_cast<size_t>(i - 1)]);
            hidden.setAutoOperate(true);
        }
    } catch (...) {
        // The old network may be half replaced: put the old parameters back
        // and have the next use rebuild from them.
        state.InputCount = oldInputCount;
        state.HiddenCount = oldHiddenCount;
        state.Alpha = oldAlpha;
        state.LearnStep = oldLearnStep;
        state.NSChanged = true;
        throw;
    }
    return {};
}

std::string WithNetworkExtension(std::string path) {
    if (path.find('.') == std::string::npos)
        path += ".qvl";
    return path;
}
