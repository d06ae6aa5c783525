#include "model/elementfilter.h"

#include "model/predicateevaluator.h"
#include "platform/parallel.h"

#include <algorithm>
#include <vector>

namespace vidarium {

namespace {

// Below this many elements a second thread costs more than it saves.
constexpr size_t parallelThreshold = 8192;
// Threads take elements in runs of this size, so that both stay busy to the end
// even when one's elements are dearer (accented names, long comments).
constexpr size_t chunkSize = 1024;
// How far ahead values are fetched (the element itself twice as far, as its
// values can only be found once it is there): far enough to cover a fetch from
// memory while the ones between are tested, near enough that the fetches in
// flight stay few. Measured: 4 beat 8 and 16 by a fifth.
constexpr size_t prefetchDistance = 4;

using Elements = std::vector<MediaElement *>;

// Asks for the elements that will be tested after element i.
inline void fetchAhead(const Elements &elements, size_t i)
{
    if (i + 2 * prefetchDistance < elements.size())
        elements[i + 2 * prefetchDistance]->prefetch();
    if (i + prefetchDistance < elements.size())
        elements[i + prefetchDistance]->prefetchValues();
}

// Tests elements [begin, end) and marks the matches.
void testRange(const Elements &elements, size_t begin, size_t end,
    const PredicateEvaluator &evaluator, std::vector<char> &matched)
{
    for (size_t i = begin; i < end; ++i) {
        fetchAhead(elements, i);
        matched[i] = evaluator.evaluate(*elements[i]) ? 1 : 0;
    }
}

// One flag per element; with many elements the work is shared with a second thread.
std::vector<char> testAll(const Elements &elements, const PredicateEvaluator &evaluator)
{
    std::vector<char> matched(elements.size(), 0);
    splitOverWorker(elements.size(), { chunkSize, parallelThreshold },
        [&](size_t begin, size_t end) { testRange(elements, begin, end, evaluator, matched); });
    return matched;
}

template <typename Container> Elements pointersOf(const Container &elements)
{
    Elements result;
    result.reserve(size_t(elements.size()));
    for (const MediaElementPtr &element : elements)
        result.push_back(element.get());
    return result;
}

template <typename Container>
MediaElementList matchingIn(const Container &elements, const PredicateEvaluator &evaluator)
{
    const std::vector<char> matched = testAll(pointersOf(elements), evaluator);
    MediaElementList result;
    size_t i = 0;
    for (const MediaElementPtr &element : elements) {
        if (matched[i++])
            result.append(element);
    }
    return result;
}

template <typename Container>
ElementFilter::Memberships testEachIn(
    const Container &elements, const std::vector<PredicateEvaluator> &evaluators)
{
    Q_ASSERT(evaluators.size() <= 64);
    const Elements pointers = pointersOf(elements);
    std::vector<quint64> masks(pointers.size(), 0);
    splitOverWorker(
        pointers.size(), { chunkSize, parallelThreshold }, [&](size_t begin, size_t end) {
            for (size_t i = begin; i < end; ++i) {
                fetchAhead(pointers, i);
                quint64 mask = 0;
                for (size_t k = 0; k < evaluators.size(); ++k)
                    if (evaluators[k].evaluate(*pointers[i]))
                        mask |= quint64(1) << k;
                masks[i] = mask;
            }
        });
    ElementFilter::Memberships members;
    for (size_t i = 0; i < pointers.size(); ++i)
        if (masks[i])
            members.emplace_back(pointers[i], masks[i]);
    return members;
}

} // namespace

qsizetype ElementFilter::count(const Dictionary &elements, const PredicateEvaluator &evaluator)
{
    const std::vector<char> matched = testAll(pointersOf(elements), evaluator);
    return std::count(matched.begin(), matched.end(), 1);
}

ElementFilter::Memberships ElementFilter::testEach(
    const Dictionary &elements, const std::vector<PredicateEvaluator> &evaluators)
{
    return testEachIn(elements, evaluators);
}

ElementFilter::Memberships ElementFilter::testEach(
    const MediaElementList &elements, const std::vector<PredicateEvaluator> &evaluators)
{
    return testEachIn(elements, evaluators);
}

MediaElementList ElementFilter::matching(
    const Dictionary &elements, const PredicateEvaluator &evaluator)
{
    return matchingIn(elements, evaluator);
}

MediaElementList ElementFilter::matching(
    const MediaElementList &elements, const PredicateEvaluator &evaluator)
{
    return matchingIn(elements, evaluator);
}

} // namespace vidarium
