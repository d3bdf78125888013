#pragma once

#include "Core/Engine/Binding/VLJSBinding.h"
#include "Core/Engine/Binding/VLJSClassBuilder.h"
#include "Core/Engine/Binding/VLJSName.h"
#include "Modules/Window/Style/VLComponentStyleJSBindingDelegate.h"

#include <memory>
#include <optional>
#include <string_view>

// The style names that have a property of their own: all but marginStart, marginEnd, paddingStart and
// paddingEnd, which only the style option, the style setter and cssText reach.
#define VL_COMPONENT_STYLE_PROPERTIES(PROPERTY)                                                              \
    PROPERTY(position)                                                                                       \
    PROPERTY(display)                                                                                        \
    PROPERTY(overflow)                                                                                       \
    PROPERTY(direction)                                                                                      \
    PROPERTY(flexDirection)                                                                                  \
    PROPERTY(justifyContent)                                                                                 \
    PROPERTY(alignContent)                                                                                   \
    PROPERTY(alignItems)                                                                                     \
    PROPERTY(alignSelf)                                                                                      \
    PROPERTY(flexWrap)                                                                                       \
    PROPERTY(boxSizing)                                                                                      \
    PROPERTY(flex)                                                                                           \
    PROPERTY(flexGrow)                                                                                       \
    PROPERTY(flexShrink)                                                                                     \
    PROPERTY(flexBasis)                                                                                      \
    PROPERTY(left)                                                                                           \
    PROPERTY(top)                                                                                            \
    PROPERTY(right)                                                                                          \
    PROPERTY(bottom)                                                                                         \
    PROPERTY(start)                                                                                          \
    PROPERTY(end)                                                                                            \
    PROPERTY(marginLeft)                                                                                     \
    PROPERTY(marginTop)                                                                                      \
    PROPERTY(marginRight)                                                                                    \
    PROPERTY(marginBottom)                                                                                   \
    PROPERTY(paddingLeft)                                                                                    \
    PROPERTY(paddingTop)                                                                                     \
    PROPERTY(paddingRight)                                                                                   \
    PROPERTY(paddingBottom)                                                                                  \
    PROPERTY(width)                                                                                          \
    PROPERTY(height)                                                                                         \
    PROPERTY(minWidth)                                                                                       \
    PROPERTY(minHeight)                                                                                      \
    PROPERTY(maxWidth)                                                                                       \
    PROPERTY(maxHeight)                                                                                      \
    PROPERTY(aspectRatio)                                                                                    \
    PROPERTY(gap)                                                                                            \
    PROPERTY(rowGap)                                                                                         \
    PROPERTY(columnGap)                                                                                      \
    PROPERTY(backgroundColor)                                                                                \
    PROPERTY(opacity)                                                                                        \
    PROPERTY(imageRendering)

#define VL_COMPONENT_STYLE_DESCRIBE_PROPERTY(name)                                                           \
    b.property<#name, &VLComponentStyleJSBinding::value<#name>,                                              \
               &VLComponentStyleJSBinding::setValue<#name>>();

// The "ComponentStyle" object of a component: a property per style name and cssText, each read from and
// written to the component's style, so it keeps no copy of its own. Made only by a component binding.
//
// JavaScript thread only.
class VLComponentStyleJSBinding final : public VLJSBinding<VLComponentStyleJSBinding> {
public:
    explicit VLComponentStyleJSBinding(std::weak_ptr<VLComponentStyleJSBindingDelegate> delegate)
        : _delegate(std::move(delegate)) {}

    // The component's style; empty once the component's binding is gone.
    VLDictionary style() const;

    // The value under the name, a number or a string; null when absent.
    template <VLJSName Name>
    JSValueRef value(JSContextRef ctx) {
        return valueForName(ctx, Name.view());
    }
    // A number or a string is stored; any other value removes the name.
    template <VLJSName Name>
    void setValue(JSContextRef ctx, JSValueRef value) {
        setValueForName(ctx, Name.view(), value);
    }
    // "name: value" pieces joined by ";".
    JSValueRef cssText(JSContextRef ctx);
    // Replaces the whole style with the known names of the text, values kept as strings; a value that is
    // not a string clears the style.
    void setCssText(JSContextRef ctx, JSValueRef value);

    static void describe(VLJSClassBuilder<VLComponentStyleJSBinding>& b) {
        VL_COMPONENT_STYLE_PROPERTIES(VL_COMPONENT_STYLE_DESCRIBE_PROPERTY)
        b.property<"cssText", &VLComponentStyleJSBinding::cssText, &VLComponentStyleJSBinding::setCssText>();
    }

    // The style that a cssText gives.
    static VLDictionary styleFromCSSText(std::string_view text);

private:
    JSValueRef valueForName(JSContextRef ctx, std::string_view name) const;
    void setValueForName(JSContextRef ctx, std::string_view name, JSValueRef value);
    void _updateStyle(const VLDictionary& style);

    const std::weak_ptr<VLComponentStyleJSBindingDelegate> _delegate;
};
