#!/usr/bin/python3
# Writes keyed archives and property lists into this folder with Python's plistlib, an encoder
# independent of ours, so that a fault shared by our writer and our reader cannot hide; they also seed
# the unarchiver's fuzz target (Tests/Fuzz/Seeds/VLKeyedUnarchiverFuzzer). The
# archives follow the platform archiver's layout by hand: "$objects" with "$null" first, one class record
# per class, texts, numbers and data inline. The tests need only the files.
import datetime
import os
import plistlib
from plistlib import UID

HERE = os.path.dirname(os.path.abspath(__file__))
SEEDS = os.path.join(HERE, "..", "..", "Fuzz", "Seeds", "VLKeyedUnarchiverFuzzer")


class Archive:
    """The "$objects" of one archive, filled as the platform's archiver fills them."""

    def __init__(self):
        self.objects = ["$null"]
        self.classes = {}

    def add(self, value):
        self.objects.append(value)
        return UID(len(self.objects) - 1)

    def reserve(self):
        return self.add(None)

    def set(self, uid, record, class_name):
        record["$class"] = self.class_uid(class_name)
        self.objects[uid.data] = record

    def class_uid(self, name):
        if name not in self.classes:
            self.classes[name] = self.add({"$classname": name, "$classes": [name, "NSObject"]})
        return self.classes[name]

    def encode(self, value, dictionary="NSDictionary", array="NSArray"):
        if isinstance(value, dict):
            uid = self.reserve()
            keys = [self.encode(key) for key in value]
            objects = [self.encode(element, dictionary, array) for element in value.values()]
            self.set(uid, {"NS.keys": keys, "NS.objects": objects}, dictionary)
            return uid
        if isinstance(value, list):
            uid = self.reserve()
            self.set(uid, {"NS.objects": [self.encode(element, dictionary, array) for element in value]}, array)
            return uid
        if value is None:
            uid = self.reserve()
            self.set(uid, {}, "NSNull")
            return uid
        if isinstance(value, datetime.datetime):
            uid = self.reserve()
            seconds = (value - datetime.datetime(2001, 1, 1)).total_seconds()
            self.set(uid, {"NS.time": seconds}, "NSDate")
            return uid
        if isinstance(value, UID):
            return value
        return self.add(value)

    def data(self, root_uid):
        top = {"$version": 100000, "$archiver": "NSKeyedArchiver", "$top": {"root": root_uid},
               "$objects": self.objects}
        return plistlib.dumps(top, fmt=plistlib.FMT_BINARY, sort_keys=False)


def message():
    """A launch message with every kind of value a message holds."""
    archive = Archive()
    root = archive.encode({
        "op": "launch",
        "rid": 7,
        "inspectable": True,
        "handlers": ["first", "second"],
        "payload": {
            "localPath": "/tmp/widget",
            "volume": 0.5,
            "muted": False,
            "dataQuota": 5000000000,
            "offset": -3,
            "largest": 2 ** 63 - 1,
            "smallest": -2 ** 63,
            "unsigned": 2 ** 64 - 1,
            "name": "h\u00e9llo \u2713 \U0001F600",
            "withNul": "a\u0000b",
            "when": datetime.datetime(2024, 2, 29, 12, 30, 15, 500000),
            "frame": bytes(range(256)) * 2 + bytes(4),
            "nothing": None,
            "empty": {},
            "none": [],
        },
    })
    return archive.data(root)


def mutable():
    """Mutable containers, texts and data in object form, as the platform writes mutable values."""
    archive = Archive()
    text = archive.reserve()
    archive.set(text, {"NS.string": "mutable \u2713"}, "NSMutableString")
    plain = archive.reserve()
    archive.set(plain, {"NS.string": "plain"}, "NSString")
    data = archive.reserve()
    archive.set(data, {"NS.data": b"\x00\x01\x02"}, "NSMutableData")
    root = archive.encode({"op": "script", "text": text, "plain": plain, "data": data,
                           "list": [1, 2.5, [text]]},
                          dictionary="NSMutableDictionary", array="NSMutableArray")
    return archive.data(root)


def shared():
    """One array and one text that several members refer to."""
    archive = Archive()
    word = archive.add("shared")
    array = archive.encode([word, word])
    root = archive.encode({"first": array, "second": array, "third": word})
    return archive.data(root)


def storage():
    """A plain property list: a flat array of keys and values, as storage files hold them."""
    return plistlib.dumps(["name", "Ada", "nul", "a\u0000b", "accent", "\u00e9t\u00e9", "count", "3"],
                          fmt=plistlib.FMT_BINARY)


def storage_written():
    """A storage file of zeta=1, alpha=x<U+0000>y, \u00e9t\u00e9=2, in that order, as plistlib writes it."""
    return plistlib.dumps(["zeta", "1", "alpha", "x\u0000y", "\u00e9t\u00e9", "2"], fmt=plistlib.FMT_BINARY)


def main():
    os.makedirs(SEEDS, exist_ok=True)
    for name, data in (("message", message()), ("mutable", mutable()), ("shared", shared())):
        for folder in (HERE, SEEDS):
            with open(os.path.join(folder, name + ".archive"), "wb") as file:
                file.write(data)
    for name, data in (("storage", storage()), ("storage-written", storage_written())):
        for folder in (HERE, SEEDS):
            with open(os.path.join(folder, name + ".plist"), "wb") as file:
                file.write(data)


main()
