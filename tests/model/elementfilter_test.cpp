// Criteria over elements: testing many at once must give what testing them one by
// one gives, in the same order, whether or not the work is shared between threads;
// text the element lends in place must test as its value does.

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
    const PredicateEvaluator evaluator
        = *(*Predicate::fromFormat(QStringLiteral("name CONTAINS[cd] '7' AND rating >= 2"), {}))
               .evaluator();
    // Below and well above the size at which a second thread joins in.
    for (const int size : { 0, 1, 100, 30000 }) {
        SCOPED_TRACE(size);
        ElementDictionary dictionary;
        MediaElementList list;
        for (int i = 0; i < size; ++i) {
            MediaElementPtr element
                = MediaElement::create(&library, QStringLiteral("/v/Clip %1.mov").arg(i));
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

TEST(ElementFilter, TextTestedInPlaceAgreesWithTheValues)
{
    MediaLibrary library;
    const QString field = QStringLiteral("0A1B2C3D-0000-4000-8000-00000000ABCD");
    const QString missingField = QStringLiteral("0A1B2C3D-0000-4000-8000-00000000FFFF");
    const MediaElementPtr element
        = MediaElement::create(&library, QStringLiteral("/media/Disk/Été/Clíp Two.MOV"));
    element->setUserComments(QStringLiteral("Shot at dawn"));
    element->setVideoCodec(QStringLiteral("H.264"));
    element->setValueForUndefinedKey(QStringLiteral("Ozu, Varda"), field);
    element->setValueForUndefinedKey(
        PlistValue(qint64(4)), QStringLiteral("0A1B2C3D-0000-4000-8000-00000000AAAA"));
    const QStringList keys { QStringLiteral("name"), QStringLiteral("extension"),
        QStringLiteral("path"), QStringLiteral("device"), QStringLiteral("userComments"),
        QStringLiteral("videoCodec"), QStringLiteral("audioCodec"), QStringLiteral("identifier"),
        field, missingField, QStringLiteral("0A1B2C3D-0000-4000-8000-00000000AAAA") };
    PlistDictionary values;
    for (const QString &key : keys)
        values.insert(key, element->valueForKey(key));
    const ValueKeyValueSource plain { PlistValue(values) };
    const QStringList words { QStringLiteral("clip"), QStringLiteral("CLÍP TWO"),
        QStringLiteral("mov"), QStringLiteral(" "), QStringLiteral("ozu"), QStringLiteral("h.2"),
        QStringLiteral("4"), QStringLiteral("Disk") };
    const QStringList formats { QStringLiteral("%K CONTAINS[cd] %@"),
        QStringLiteral("%K BEGINSWITH[c] %@"), QStringLiteral("%K ENDSWITH %@"),
        QStringLiteral("%K ==[d] %@"), QStringLiteral("%K != %@") };
    int held = 0;
    for (const QString &key : keys) {
        for (const QString &word : words) {
            for (const QString &format : formats) {
                const Predicate predicate = *Predicate::fromFormat(format, { key, word });
                SCOPED_TRACE(predicate.format().toStdString());
                const bool expected = predicate.evaluate(plain).valueOr(false);
                EXPECT_EQ(predicate.evaluate(*element).valueOr(!expected), expected);
                held += expected ? 1 : 0;
            }
        }
    }
    EXPECT_GT(held, 40); // the cases hold often enough to mean something
}
