// Criteria over many elements at once must give what testing them one by one
// gives, in the same order, whether or not the work is shared between threads.

#include "model/elementfilter.h"
#include "model/medialibrary.h"
#include "model/predicate.h"
#include "model/predicateevaluator.h"

#include <gtest/gtest.h>

#include <algorithm>

using namespace vidarium;

namespace {

MediaElementList oneByOne(const MediaElementList &elements, const PredicateEvaluator &evaluator)
{
    MediaElementList result;
    std::copy_if(elements.begin(), elements.end(), std::back_inserter(result),
                 [&](const MediaElementPtr &element) { return evaluator.evaluate(*element); });
    return result;
}

} // namespace

TEST(ElementFilter, AgreesWithTestingOneByOneOnSmallAndLargeSets)
{
    MediaLibrary library;
    const PredicateEvaluator evaluator =
        *(*Predicate::fromFormat(QStringLiteral("name CONTAINS[cd] '7' AND rating >= 2"), {})).evaluator();
    // Below and well above the size at which a second thread joins in.
    for (const int size : {0, 1, 100, 30000}) {
        SCOPED_TRACE(size);
        ElementDictionary dictionary;
        MediaElementList list;
        for (int i = 0; i < size; ++i) {
            MediaElementPtr element = MediaElement::create(&library, QStringLiteral("/v/Clip %1.mov").arg(i));
            element->setRating(i % 6);
            dictionary.insert(element->identifier(), element);
            list.append(element);
        }
        const MediaElementList expectedFromList = oneByOne(list, evaluator);
        EXPECT_EQ(ElementFilter::matching(list, evaluator), expectedFromList);
        const MediaElementList expectedFromDictionary = oneByOne(dictionary.values(), evaluator);
        EXPECT_EQ(ElementFilter::matching(dictionary, evaluator), expectedFromDictionary);
        EXPECT_EQ(ElementFilter::count(dictionary, evaluator), expectedFromDictionary.size());
        if (size == 30000)
            EXPECT_GT(expectedFromList.size(), 1000);
    }
}
