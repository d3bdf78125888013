#pragma once

// What a script sees when it calls a typed binding method with fewer arguments than the method needs:
// the call returns at once, without converting anything or running the method.
enum class VLJSShortCall { undefined, null };

// How a typed binding method treats its argument count (VLJSClassBuilder::method). By default the
// minimum is the number of parameters before the first optional one, and a short call gives undefined.
struct VLJSCallRule {
    // Below zero: the parameters before the first std::optional one.
    int minimumCount = -1;
    VLJSShortCall shortCall = VLJSShortCall::undefined;
};

// b.method<"uniform1f", &T::uniform1f, VLJSMinimum(2)>()
constexpr VLJSCallRule VLJSMinimum(int count, VLJSShortCall shortCall = VLJSShortCall::undefined) {
    return {count, shortCall};
}
