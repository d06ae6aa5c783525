#!/usr/bin/env python3
"""Writes the first-format library used by the migration tests.

The catalogue is a binary property list; the smart collection's criteria are a
keyed archive built here object by object, as the older version's archiver laid
them out, so the reader is tested against that layout rather than against our
own archiver. Run from this folder: python3 make_legacy_fixtures.py
"""
import os
import plistlib
from plistlib import UID


class Archive:
    def __init__(self):
        self.objects = ["$null"]
        self.classes = {}

    def add(self, value):
        self.objects.append(value)
        return UID(len(self.objects) - 1)

    def cls(self, *chain):
        if chain[0] not in self.classes:
            self.classes[chain[0]] = self.add({"$classname": chain[0], "$classes": list(chain) + ["NSObject"]})
        return self.classes[chain[0]]

    def obj(self, chain, **keys):
        return self.add(dict(keys, **{"$class": self.cls(*chain)}))

    def key_path(self, path):
        operand = self.obj(["NSSelfExpression", "NSExpression"], NSExpressionType=1)
        specifier = self.obj(["NSKeyPathSpecifierExpression", "NSExpression"], NSExpressionType=10,
                             NSKeyPath=self.add(path))
        arguments = self.obj(["NSMutableArray", "NSArray"], **{"NS.objects": [specifier]})
        return self.obj(["NSKeyPathExpression", "NSFunctionExpression", "NSExpression"], NSExpressionType=3,
                        NSOperand=operand, NSSelectorName=self.add("valueForKey:"), NSArguments=arguments)

    def constant(self, value):
        return self.obj(["NSConstantValueExpression", "NSExpression"], NSExpressionType=0,
                        NSConstantValue=self.add(value))

    def operator(self, kind, options=0):
        if kind <= 3:
            return self.obj(["NSComparisonPredicateOperator", "NSPredicateOperator"], NSOperatorType=kind,
                            NSModifier=0, NSVariant=kind, NSOptions=options)
        if kind in (4, 5):
            return self.obj(["NSEqualityPredicateOperator", "NSPredicateOperator"], NSOperatorType=kind,
                            NSModifier=0, NSNegate=kind == 5, NSOptions=options)
        if kind in (8, 9):
            return self.obj(["NSSubstringPredicateOperator", "NSStringPredicateOperator", "NSPredicateOperator"],
                            NSOperatorType=kind, NSModifier=0, NSFlags=options, NSPosition=kind - 8)
        raise ValueError(kind)

    def comparison(self, key, kind, value, options=0):
        return self.obj(["NSComparisonPredicate", "NSPredicate"], NSLeftExpression=self.key_path(key),
                        NSRightExpression=self.constant(value), NSPredicateOperator=self.operator(kind, options))

    def compound(self, kind, subpredicates):
        array = self.obj(["NSArray"], **{"NS.objects": subpredicates})
        return self.obj(["NSCompoundPredicate", "NSPredicate"], NSCompoundPredicateType=kind, NSSubpredicates=array)

    def data(self, root):
        return plistlib.dumps({"$archiver": "NSKeyedArchiver", "$version": 100000, "$top": {"root": root},
                               "$objects": self.objects}, fmt=plistlib.FMT_BINARY)


def criteria():
    # Rating > 3 AND FPS == 25 AND (Genre == "Drama" OR Length > 60)
    #   AND Genre BEGINSWITH[c] "dr" AND Mood == "calm"
    a = Archive()
    nested = a.compound(2, [a.comparison("Genre", 4, "Drama"), a.comparison("Length", 2, 60)])
    root = a.compound(1, [a.comparison("Rating", 2, 3), a.comparison("FPS", 4, 25), nested,
                          a.comparison("Genre", 8, "dr", options=1), a.comparison("Mood", 4, "calm")])
    return a.data(root)


def single_comparison():
    a = Archive()
    return a.data(a.comparison("Rating", 2, 3))


def main():
    package = os.path.join("v1", "Old.vidariumlibrary")
    os.makedirs(os.path.join(package, "Icons"), exist_ok=True)
    library = {
        "k1": {"Path": "/videos/drama.mov", "MediaKey": "M1", "Rating": 4, "PlayCount": 7,
               "Genre": "Drama", "Season": 2},
        "k2": {"Path": "/videos/other.mov", "MediaKey": "M2"},
        "k3": "not a record",
        "k4": {"MediaKey": "M4"},
    }
    playlists = [
        {"ListStatic": True, "ListName": "Library"},
        {"ListName": "Picked", "ListKey": "P1",
         "ListReferences": [{"MediaKey": "M2"}, {"MediaKey": "gone"}, {"MediaKey": "M1"}]},
        {"ListName": "Good ones", "ListKey": "../P1", "ListPredicate": criteria()},
        {"ListName": "Damaged", "ListPredicate": b"garbage"},
        {"ListName": "Plain", "ListPredicate": single_comparison()},
        12,
    ]
    with open(os.path.join(package, "com.tallowmere.vidarium.library.plist"), "wb") as f:
        plistlib.dump({"Library": library, "Playlists": playlists}, f, fmt=plistlib.FMT_BINARY)
    with open(os.path.join(package, "Icons", "P1.png"), "wb") as f:
        f.write(b"icon bytes")
    with open(os.path.join("v1", "P1.png"), "wb") as f:
        f.write(b"outside")


if __name__ == "__main__":
    main()
