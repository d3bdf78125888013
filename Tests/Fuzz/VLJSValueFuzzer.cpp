// libFuzzer target for the conversion of script values to native values: the input is a small program
// that builds a graph of script values (numbers, strings, booleans, null, undefined, symbols, arrays,
// objects, typed arrays and buffers, dates, functions, cycles, deep nesting, false array lengths),
// which is then converted both ways. Nothing may crash, and what converts must convert back to a script
// value that converts to the same native value.
#include "Core/Engine/JS/VLJSString.h"
#include "Core/Engine/JS/VLJSValueBridge.h"

#include <JavaScriptCore/JavaScript.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

// Reads the program's bytes; past the end every read gives 0.
class Program {
public:
    Program(const uint8_t* bytes, size_t size) : _bytes(bytes), _size(size) {}
    bool atEnd() const { return _offset >= _size; }
    uint8_t byte() { return _offset < _size ? _bytes[_offset++] : 0; }
    double number() {
        double value = 0;
        uint8_t raw[sizeof(double)] = {};
        for (uint8_t& part : raw)
            part = byte();
        std::memcpy(&value, raw, sizeof value);
        return value;
    }
    std::string text() {
        std::string result;
        for (size_t length = byte() % 24; length > 0; --length)
            result.push_back(char(byte()));
        return result;
    }

private:
    const uint8_t* _bytes;
    size_t _size;
    size_t _offset = 0;
};

// The values built so far; each stays protected until the input is done.
class Stack {
public:
    explicit Stack(JSContextRef ctx) : _ctx(ctx) {}
    ~Stack() {
        for (JSValueRef value : _values)
            JSValueUnprotect(_ctx, value);
    }
    void push(JSValueRef value) {
        if (!value)
            value = JSValueMakeUndefined(_ctx);
        JSValueProtect(_ctx, value);
        _values.push_back(value);
    }
    // The value `depth` places from the top; undefined when there are fewer.
    JSValueRef at(size_t depth) const {
        return depth < _values.size() ? _values[_values.size() - 1 - depth] : JSValueMakeUndefined(_ctx);
    }
    // The value as an object; nullptr when it is none.
    JSObjectRef objectAt(size_t depth) const {
        JSValueRef value = at(depth);
        return JSValueIsObject(_ctx, value) ? JSValueToObject(_ctx, value, nullptr) : nullptr;
    }
    size_t size() const { return _values.size(); }

private:
    JSContextRef _ctx;
    std::vector<JSValueRef> _values;
};

JSObjectRef makeArray(JSContextRef ctx, const Stack& stack, size_t count) {
    std::vector<JSValueRef> elements;
    for (size_t index = 0; index < count; ++index)
        elements.push_back(stack.at(index));
    return JSObjectMakeArray(ctx, elements.size(), elements.data(), nullptr);
}

JSObjectRef makeObject(JSContextRef ctx, const Stack& stack, size_t count, Program& program) {
    JSObjectRef object = JSObjectMake(ctx, nullptr, nullptr);
    for (size_t index = 0; index < count; ++index)
        JSObjectSetProperty(ctx, object, VLJSString(program.text()).get(), stack.at(index), 0, nullptr);
    return object;
}

JSValueRef makeTypedArray(JSContextRef ctx, Program& program) {
    const auto type = JSTypedArrayType(program.byte() % (kJSTypedArrayTypeFloat64Array + 1));
    const size_t length = program.byte();
    if (type == kJSTypedArrayTypeNone)
        return JSValueMakeNull(ctx);
    if (type == kJSTypedArrayTypeArrayBuffer) {
        JSObjectRef array = JSObjectMakeTypedArray(ctx, kJSTypedArrayTypeUint8Array, length, nullptr);
        return JSObjectGetTypedArrayBuffer(ctx, array, nullptr);
    }
    JSObjectRef array = JSObjectMakeTypedArray(ctx, type, length, nullptr);
    // A view that starts inside its buffer.
    if (array && length > 2 && program.byte() % 2) {
        JSObjectRef buffer = JSObjectGetTypedArrayBuffer(ctx, array, nullptr);
        return JSObjectMakeTypedArrayWithArrayBuffer(ctx, kJSTypedArrayTypeUint8Array, buffer, nullptr);
    }
    return array;
}

void step(JSGlobalContextRef ctx, Stack& stack, Program& program) {
    switch (program.byte() % 14) {
    case 0:
        stack.push(JSValueMakeNumber(ctx, program.number()));
        break;
    case 1:
        stack.push(JSValueMakeNumber(ctx, int8_t(program.byte())));
        break;
    case 2:
        stack.push(VLJSValueFromNSString(ctx, program.text()));
        break;
    case 3: {
        const uint8_t kind = program.byte() % 4;
        stack.push(kind == 0   ? JSValueMakeBoolean(ctx, true)
                   : kind == 1 ? JSValueMakeBoolean(ctx, false)
                   : kind == 2 ? JSValueMakeNull(ctx)
                               : JSValueMakeUndefined(ctx));
        break;
    }
    case 4:
        stack.push(makeArray(ctx, stack, program.byte() % 8));
        break;
    case 5:
        stack.push(makeObject(ctx, stack, program.byte() % 8, program));
        break;
    case 6:
        stack.push(makeTypedArray(ctx, program));
        break;
    case 7: {
        JSValueRef time = JSValueMakeNumber(ctx, program.number());
        stack.push(JSObjectMakeDate(ctx, 1, &time, nullptr));
        break;
    }
    case 8: { // a cycle: an object deeper down gets the top value
        // Not a typed array: it would make the value a number, and an array claiming a huge length
        // joins into a string the engine cannot hold.
        JSObjectRef object = stack.objectAt(program.byte() % 8);
        if (object && JSValueGetTypedArrayType(ctx, object, nullptr) == kJSTypedArrayTypeNone)
            JSObjectSetPropertyAtIndex(ctx, object, program.byte() % 4, stack.at(0), nullptr);
        break;
    }
    case 9: { // deep nesting
        JSValueRef value = stack.at(0);
        for (size_t depth = size_t(program.byte()) * 4; depth > 0; --depth)
            value = JSObjectMakeArray(ctx, 1, &value, nullptr);
        stack.push(value);
        break;
    }
    case 10: // an array that claims a length: small, just beyond the conversion's limit, or huge
        if (JSObjectRef array = makeArray(ctx, stack, 1)) {
            const uint8_t kind = program.byte() % 3;
            const double length = kind == 0   ? program.byte()
                                  : kind == 1 ? 1048577 + program.byte()
                                              : 4294967295.0;
            JSObjectSetProperty(ctx, array, VLJSString("length").get(), JSValueMakeNumber(ctx, length), 0,
                                nullptr);
            stack.push(array);
        }
        break;
    case 11:
        stack.push(JSValueMakeSymbol(ctx, VLJSString(program.text()).get()));
        break;
    case 12:
        stack.push(JSEvaluateScript(ctx, VLJSString("(function () {})").get(), nullptr, nullptr, 1, nullptr));
        break;
    case 13: // a property that throws when read
        stack.push(JSEvaluateScript(ctx, VLJSString("({ get a() { throw new Error('no') }, b: 1 })").get(),
                                    nullptr, nullptr, 1, nullptr));
        break;
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* bytes, size_t size) {
    static const JSGlobalContextRef ctx = JSGlobalContextCreate(nullptr);
    static unsigned inputs = 0;
    {
        Program program(bytes, size);
        Stack stack(ctx);
        for (unsigned steps = 0; !program.atEnd() && steps < 256; ++steps)
            step(ctx, stack, program);
        for (size_t depth = 0; depth < stack.size() && depth < 4; ++depth) {
            VLJSValueToObject(ctx, stack.at(depth));
            const VLValue native = VLJSValueToNSObject(ctx, stack.at(depth));
            if (native.isNil())
                continue;
            const VLValue again = VLJSValueToNSObject(ctx, VLJSValueFromNSObject(ctx, native));
            // NaN never equals itself, so compare the two as the bridge writes them.
            if (VLJSValueToNSObject(ctx, VLJSValueFromNSObject(ctx, again)).description() !=
                again.description())
                abort();
        }
    }
    if (++inputs % 64 == 0)
        JSGarbageCollect(ctx);
    return 0;
}
