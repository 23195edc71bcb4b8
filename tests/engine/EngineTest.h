#pragma once

#include "engine/mdMain.h"
#include "platform/DynamicLibrary.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

// Shared fixture of the engine tests: the formula library and small networks of a given shape.
class EngineTest : public ::testing::Test {
protected:
    static NeuronRef neuron(std::string formula = "x") {
        auto n = std::make_shared<CNeuron>(library);
        n->SetActFun(formula);
        return n;
    }

    // A built network with LearnStep 1 and seeded random weights; `w`, when
    // not empty, replaces them in the order of weights().
    static std::unique_ptr<mdMain> network(int32_t inputs, int32_t hidden, uint64_t seed = 1, double alpha = 1.0,
                                           const std::vector<double>& w = {},
                                           TrainingLanes lanes = TrainingLanes::Best) {
        auto s = std::make_unique<mdMain>(library);
        s->Lanes = lanes;
        s->InputCount = inputs;
        s->HiddenCount = hidden;
        s->Alpha = alpha;
        s->LearnStep = 1.0;
        s->SetSeed(seed);
        s->CreateOutNeuron();
        s->CreateNS();
        for (int32_t i = 0; i < static_cast<int32_t>(w.size()); ++i) {
            if (i < hidden * inputs)
                s->HiddenLayer[static_cast<size_t>(i / inputs + 1)]->setIWeight(i % inputs + 1, w[size_t(i)]);
            else
                s->OutNeuron->setIWeight(i - hidden * inputs + 1, w[size_t(i)]);
        }
        return s;
    }

    // Hidden weights row by row, the output neuron's, then every hidden Result and the output's.
    static std::vector<double> weights(const mdMain& s) {
        std::vector<double> v, r;
        for (size_t k = 1; k < s.HiddenLayer.size(); ++k) {
            for (int32_t j = 1; j <= s.HiddenLayer[k]->nInput(); ++j)
                v.push_back(s.HiddenLayer[k]->iWeight(j));
            r.push_back(s.HiddenLayer[k]->Result());
        }
        for (int32_t k = 1; k <= s.OutNeuron->nInput(); ++k)
            v.push_back(s.OutNeuron->iWeight(k));
        r.push_back(s.OutNeuron->Result());
        v.insert(v.end(), r.begin(), r.end());
        return v;
    }

    static bool sameBits(const std::vector<double>& a, const std::vector<double>& b) {
        return a.size() == b.size() && std::memcmp(a.data(), b.data(), a.size() * sizeof(double)) == 0;
    }

    static void setMelody(mdMain& s, const std::vector<uint8_t>& notes) {
        std::copy(notes.begin(), notes.end(), s.Melody.begin());
        s.MelodyLen = static_cast<int32_t>(notes.size()) - 1;
    }

    // The Displacing of every input neuron.
    static std::vector<double> inputs(const mdMain& s) {
        std::vector<double> v;
        for (size_t j = 1; j < s.InLayer.size(); ++j)
            v.push_back(s.InLayer[j]->Displacing());
        return v;
    }

    static inline const std::shared_ptr<const FormulaLibrary> library =
        FormulaLibrary::loadFrom(platform::executableFolder()).value();
};

inline const std::vector<uint8_t> DefaultMelody{3, 8, 11, 3, 8, 11, 4, 8, 10, 1, 8, 10};
