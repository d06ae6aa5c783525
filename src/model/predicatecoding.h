#pragma once

// The stored form of predicates: the platform's archived predicate objects
// (NSComparisonPredicate, NSCompoundPredicate, NSTruePredicate and
// NSFalsePredicate, the NSPredicateOperator family and the NSExpression family),
// with their class chains, keys and inline-versus-reference choices, so that
// library packages exchange with existing ones. Reading is lenient: an archived
// predicate this program does not understand decodes as a generic archived object
// (kept whole) rather than failing the whole catalogue.
// Threads: registration once at start; encoding and decoding on any thread.

#include "model/predicate.h"
#include "platform/plist/plistvalue.h"
#include "platform/result.h"

namespace vidarium {

class PredicateCoding
{
public:
    // Registers the decoders of every archived predicate class (idempotent).
    static void registerArchiveCoders();
    // The archived object tree of a predicate, for ArchiveEncoder::encodeObject
    // or as the root of a keyed archive.
    static PlistValue archivedValue(const Predicate &predicate);
    // The predicate a decoded value holds; an error for anything else (the null
    // marker, a generic object of an unknown predicate class, a plain value).
    static Result<Predicate> predicateFromValue(const PlistValue &value);
};

} // namespace vidarium
