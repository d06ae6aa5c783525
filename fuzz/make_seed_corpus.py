#!/usr/bin/env python3
"""Writes the small seed corpus of the fuzz targets with plistlib:

    python3 fuzz/make_seed_corpus.py

corpus/binaryplist/    plain binary plists of every kind and width
corpus/keyedarchive/   keyed archives, binary and XML, plus the test fixtures
"""

import datetime
import os
import plistlib
import shutil

HERE = os.path.dirname(os.path.abspath(__file__))
FIXTURES = os.path.join(HERE, "..", "tests", "data", "plist")
UID = plistlib.UID


def write(folder, name, data):
    path = os.path.join(HERE, "corpus", folder)
    os.makedirs(path, exist_ok=True)
    with open(os.path.join(path, name), "wb") as f:
        f.write(data)


def binary(value):
    return plistlib.dumps(value, fmt=plistlib.FMT_BINARY, sort_keys=False)


def archive(objects, root=1):
    return {"$version": 100000, "$archiver": "NSKeyedArchiver", "$top": {"root": UID(root)},
            "$objects": ["$null", *objects]}


def xml_archive(value):
    def convert(v):
        if isinstance(v, UID):
            return {"CF$UID": v.data}
        if isinstance(v, list):
            return [convert(m) for m in v]
        if isinstance(v, dict):
            return {k: convert(m) for k, m in v.items()}
        return v
    return plistlib.dumps(convert(value), fmt=plistlib.FMT_XML)


def main():
    plain = {
        "scalars": [True, False, 0, 255, 65535, 2 ** 32, -1, 2 ** 63, 0.5, "ascii", "ünïcode", b"\x00\x01",
                    datetime.datetime(2001, 1, 1)],
        "nested": {"a": [[{"b": []}]], "c": {}},
        "uid": UID(3),
        "long": list(range(20)),
    }
    write("binaryplist", "plain.bplist", binary(plain))
    write("binaryplist", "string.bplist", binary("x" * 20))
    write("binaryplist", "array.bplist", binary([1, [2, [3, [4]]]]))
    write("binaryplist", "wide.bplist", binary([f"s{i}" for i in range(300)]))
    write("binaryplist", "data.bplist", binary(b"\x7f" * 300))

    cls_dict = {"$classname": "NSDictionary", "$classes": ["NSDictionary", "NSObject"]}
    cls_array = {"$classname": "NSMutableArray", "$classes": ["NSMutableArray", "NSArray", "NSObject"]}
    cls_set = {"$classname": "NSSet", "$classes": ["NSSet", "NSObject"]}
    cls_date = {"$classname": "NSDate", "$classes": ["NSDate", "NSObject"]}
    cls_thing = {"$classname": "MediaElement", "$classes": ["MediaElement", "NSObject"]}
    cls_sort = {"$classname": "NSSortDescriptor", "$classes": ["NSSortDescriptor", "NSObject"]}
    cls_null = {"$classname": "NSNull", "$classes": ["NSNull", "NSObject"]}

    # 1 dict class, 2 array class, 3 set class, 4 date class, 5 element class, 6 sort, 7 null
    classes = [cls_dict, cls_array, cls_set, cls_date, cls_thing, cls_sort, cls_null]
    objs = classes + [
        {"NS.keys": [UID(9), UID(10), UID(11)], "NS.objects": [UID(12), UID(13), UID(16)], "$class": UID(1)},  # 8 root
        "Media", "Sort", "Null",                                                                        # 9-11
        {"NS.keys": [UID(14)], "NS.objects": [UID(15)], "$class": UID(1)},                              # 12
        {"NS.objects": [UID(17)], "$class": UID(2)},                                                    # 13
        "6F1E0B6C-7F55-4F4B-8C25-2E6A1E4F0D11",                                                         # 14
        {"identifier": UID(14), "assets": 15, "error": False, "rating": UID(18),
         "creationDate": UID(19), "userKeywords": UID(20), "launchedDate": UID(16), "$class": UID(5)},  # 15
        {"$class": UID(7)},                                                                             # 16
        {"NSKey": UID(21), "NSAscending": True, "NSSelector": UID(22), "$class": UID(6)},              # 17
        4,                                                                                              # 18
        {"NS.time": 700000000.5, "$class": UID(4)},                                                     # 19
        {"NS.objects": [UID(21)], "$class": UID(3)},                                                    # 20
        "name", "localizedStandardCompare:",                                                            # 21-22
    ]
    catalogue = archive(objs, root=8)
    write("keyedarchive", "catalogue.bplist", binary(catalogue))
    write("keyedarchive", "catalogue.xml", xml_archive(catalogue))
    write("keyedarchive", "string.bplist", binary(archive(["hello"])))
    write("keyedarchive", "shared.bplist", binary(archive(
        [cls_array, {"NS.objects": [UID(3), UID(3)], "$class": UID(1)}, {"NS.objects": [], "$class": UID(1)}],
        root=2)))
    for name in ("archive.bplist", "archive.xml", "values.bplist"):
        path = os.path.join(HERE, "corpus", "keyedarchive")
        shutil.copy(os.path.join(FIXTURES, name), os.path.join(path, name))
    shutil.copy(os.path.join(FIXTURES, "values.bplist"), os.path.join(HERE, "corpus", "binaryplist", "values.bplist"))
    shutil.copy(os.path.join(FIXTURES, "archive.bplist"), os.path.join(HERE, "corpus", "binaryplist", "archive.bplist"))


if __name__ == "__main__":
    main()
