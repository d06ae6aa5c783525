#!/usr/bin/env python3
"""Writes the archived-predicate fixtures: keyed archives built by hand with
plistlib in the layout existing library packages use (objects numbered in the
order a keyed archiver meets them, class descriptions after an object's fields).
Run from this folder: python3 make_fixtures.py"""

import plistlib
from plistlib import UID

SELF_CHAIN = ["NSSelfExpression", "NSExpression", "NSObject"]
KEYPATH_CHAIN = ["NSKeyPathExpression", "NSFunctionExpression", "NSExpression", "NSObject"]
SPECIFIER_CHAIN = ["NSKeyPathSpecifierExpression", "NSExpression", "NSObject"]
CONSTANT_CHAIN = ["NSConstantValueExpression", "NSExpression", "NSObject"]
FUNCTION_CHAIN = ["NSFunctionExpression", "NSExpression", "NSObject"]


class Archive:
    def __init__(self):
        self.objects = ["$null"]
        self.classes = {}
        self.shared = {}

    def reserve(self):
        self.objects.append(None)
        return len(self.objects) - 1

    def put(self, value):
        # Equal strings and numbers share one entry, as the archiver writes them.
        key = (type(value), value)
        if isinstance(value, (str, int, float)):
            if key in self.shared:
                return self.shared[key]
            self.shared[key] = self._append(value)
            return self.shared[key]
        return self._append(value)

    def _append(self, value):
        index = self.reserve()
        self.objects[index] = value
        return UID(index)

    def cls(self, chain):
        key = tuple(chain)
        if key not in self.classes:
            self.classes[key] = self.put({"$classname": chain[0], "$classes": list(chain)})
        return self.classes[key]

    def obj(self, chain, fields):
        """fields: a function filling the dictionary, run after the index is taken."""
        index = self.reserve()
        body = {}
        fields(body)
        body["$class"] = self.cls(chain)
        self.objects[index] = body
        return UID(index)

    # --- expressions -------------------------------------------------------------
    def self_expression(self):
        if "self" not in self.shared:
            self.shared["self"] = self.obj(SELF_CHAIN, lambda d: d.update(NSExpressionType=1))
        return self.shared["self"]

    def key_path(self, path):
        def fields(d):
            d["NSExpressionType"] = 3
            d["NSOperand"] = self.self_expression()
            d["NSSelectorName"] = self.put("valueForKeyPath:" if "." in path else "valueForKey:")
            d["NSArguments"] = self.obj(["NSMutableArray", "NSArray", "NSObject"], lambda a: a.update(
                {"NS.objects": [self.obj(SPECIFIER_CHAIN, lambda s: s.update(
                    NSExpressionType=10, NSKeyPath=self.put(path)))]}))
        return self.obj(KEYPATH_CHAIN, fields)

    def constant(self, value):
        def fields(d):
            d["NSExpressionType"] = 0
            d["NSConstantValue"] = self.put(value)
        return self.obj(CONSTANT_CHAIN, fields)

    def utilities(self):
        def fields(d):
            d["NSExpressionType"] = 0
            d["NSConstantValueClassName"] = self.put("_NSPredicateUtilities")
        return self.obj(CONSTANT_CHAIN, fields)

    def builtin(self, selector, arguments):
        def fields(d):
            d["NSExpressionType"] = 4
            d["NSOperand"] = self.utilities()
            d["NSSelectorName"] = self.put(selector)
            d["NSArguments"] = self.obj(["NSMutableArray", "NSArray", "NSObject"], lambda a: a.update(
                {"NS.objects": [make() for make in arguments]}))
        return self.obj(FUNCTION_CHAIN, fields)

    # --- operators and predicates ------------------------------------------------
    def operator(self, chain, fields):
        return self.obj(chain + ["NSPredicateOperator", "NSObject"], lambda d: d.update(fields))

    def comparison(self, left, right, operator):
        def fields(d):
            d["NSLeftExpression"] = left()
            d["NSRightExpression"] = right()
            d["NSPredicateOperator"] = operator()
        return self.obj(["NSComparisonPredicate", "NSPredicate", "NSObject"], fields)

    def compound(self, kind, members):
        def fields(d):
            d["NSSubpredicates"] = self.obj(["NSArray", "NSObject"], lambda a: a.update(
                {"NS.objects": [make() for make in members]}))
            d["NSCompoundPredicateType"] = kind
        return self.obj(["NSCompoundPredicate", "NSPredicate", "NSObject"], fields)

    def write(self, root, path):
        archive = {
            "$archiver": "NSKeyedArchiver",
            "$version": 100000,
            "$top": {"root": root},
            "$objects": self.objects,
        }
        with open(path, "wb") as f:
            plistlib.dump(archive, f, fmt=plistlib.FMT_BINARY)


def recent():
    # importedDate >= CAST(CAST(now(), "NSNumber") - 604800, "NSDate")
    a = Archive()
    root = a.comparison(
        lambda: a.key_path("importedDate"),
        lambda: a.builtin("castObject:toType:", [
            lambda: a.builtin("from:subtract:", [
                lambda: a.builtin("castObject:toType:", [
                    lambda: a.builtin("now", []),
                    lambda: a.constant("NSNumber")]),
                lambda: a.constant(604800)]),
            lambda: a.constant("NSDate")]),
        lambda: a.operator(["NSComparisonPredicateOperator"],
                           {"NSOperatorType": 3, "NSModifier": 0, "NSVariant": 3, "NSOptions": 0}))
    a.write(root, "recent.plist")


def smart():
    # name BEGINSWITH[cd] "clip" AND rating >= 3 AND ANY userKeywordObjects.name CONTAINS[cd] "été"
    #   AND fileExists == NO AND <field> MATCHES "a.*"
    a = Archive()
    field = "0A1B2C3D-0000-4000-8000-00000000ABCD"
    root = a.compound(1, [
        lambda: a.comparison(lambda: a.key_path("name"), lambda: a.constant("clip"),
                             lambda: a.operator(["NSSubstringPredicateOperator", "NSStringPredicateOperator"],
                                                {"NSOperatorType": 8, "NSModifier": 0, "NSFlags": 3,
                                                 "NSPosition": 0})),
        lambda: a.comparison(lambda: a.key_path("rating"), lambda: a.constant(3),
                             lambda: a.operator(["NSComparisonPredicateOperator"],
                                                {"NSOperatorType": 3, "NSModifier": 0, "NSVariant": 3,
                                                 "NSOptions": 0})),
        lambda: a.comparison(lambda: a.key_path("userKeywordObjects.name"), lambda: a.constant("été"),
                             lambda: a.operator(["NSInPredicateOperator"],
                                                {"NSOperatorType": 99, "NSModifier": 2, "NSFlags": 3})),
        lambda: a.comparison(lambda: a.key_path("fileExists"), lambda: a.constant(False),
                             lambda: a.operator(["NSEqualityPredicateOperator"],
                                                {"NSOperatorType": 4, "NSModifier": 0, "NSNegate": False,
                                                 "NSOptions": 0})),
        lambda: a.comparison(lambda: a.key_path(field), lambda: a.constant("a.*"),
                             lambda: a.operator(["NSMatchingPredicateOperator", "NSStringPredicateOperator"],
                                                {"NSOperatorType": 6, "NSModifier": 0, "NSFlags": 3})),
    ])
    a.write(root, "smart.plist")


def unknown():
    # A comparison whose left side is an expression class this program does not read.
    a = Archive()
    root = a.comparison(
        lambda: a.obj(["NSSubqueryExpression", "NSExpression", "NSObject"],
                      lambda d: d.update(NSExpressionType=13, NSVariable=a.put("x"))),
        lambda: a.constant(1),
        lambda: a.operator(["NSEqualityPredicateOperator"],
                           {"NSOperatorType": 4, "NSModifier": 0, "NSNegate": False, "NSOptions": 0}))
    a.write(root, "unknown.plist")


if __name__ == "__main__":
    recent()
    smart()
    unknown()
