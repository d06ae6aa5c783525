#pragma once

// Criteria evaluated over every element of a set at once: a smart collection's
// count and members, the items search. A hundred thousand elements are far more
// than the caches hold, so the time goes to fetching each element from memory;
// large sets are shared with a second thread and elements are fetched ahead of
// the one being tested. The result is the same, in the same order, as testing the
// elements one by one.
// Threads: call from the thread that owns the elements (the main thread); the
// elements must not change until the call returns, which holds while that
// thread is inside it. The evaluator must be safe on several threads (it is).

#include "model/mediaelement.h"

#include <QHash>

#include <utility>
#include <vector>

namespace vidarium {

class PredicateEvaluator;

class ElementFilter
{
public:
    using Dictionary = QHash<QString, MediaElementPtr>;

    static qsizetype count(const Dictionary &elements, const PredicateEvaluator &evaluator);
    // Which of up to 64 criteria each element meets (bit k for evaluators[k]), in
    // one pass: an element fetched from memory once serves every criteria (the
    // source list's badges). Elements that meet none are left out.
    using Memberships = std::vector<std::pair<const MediaElement *, quint64>>;
    static Memberships testEach(
        const Dictionary &elements, const std::vector<PredicateEvaluator> &evaluators);
    static Memberships testEach(
        const MediaElementList &elements, const std::vector<PredicateEvaluator> &evaluators);
    static MediaElementList matching(
        const Dictionary &elements, const PredicateEvaluator &evaluator);
    static MediaElementList matching(
        const MediaElementList &elements, const PredicateEvaluator &evaluator);
};

} // namespace vidarium
