#include "Core/Engine/KeyValue/VLObjCClass.h"
#include "Core/Engine/KeyValue/VLObjCProperty.h"

#include <gtest/gtest.h>

namespace {

TEST(VLObjCTypeEncoding, ReadsTheTypeAndItsKind) {
    struct Case {
        const char* encoding;
        char type;
        bool object, floating, integer;
        const char* className;
    } cases[] = {
        {"r*", '*', false, false, false, nullptr},
        {"d", 'd', false, true, false, nullptr},
        {"f", 'f', false, true, false, nullptr},
        {"B", 'B', false, false, true, nullptr},
        {"Q", 'Q', false, false, true, nullptr},
        {"#", '#', true, false, false, nullptr},
        {"@", '@', true, false, false, nullptr},
        {"@\"NSString\"", '@', true, false, false, "NSString"},
        {"r@\"NSNumber\"", '@', true, false, false, "NSNumber"},
        {"@\"NoSuchClass\"", '@', true, false, false, "NSObject"},
        {"@\"", '@', true, false, false, nullptr},
        {"{CGSize=dd}", '{', false, false, false, nullptr},
        {"", 0, false, false, false, nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.encoding);
        VLObjCTypeEncoding encoding(c.encoding);
        EXPECT_EQ(uint16_t(c.type), encoding.type());
        EXPECT_EQ(c.encoding, encoding.encoding());
        EXPECT_EQ(c.object, encoding.isObjectType());
        EXPECT_EQ(c.floating, encoding.isFloatType());
        EXPECT_EQ(c.integer, encoding.isIntType());
        const VLObjCClass* classType = encoding.classType();
        EXPECT_EQ(c.className ? std::string(c.className) : "", classType ? classType->name() : "");
    }
}

TEST(VLObjCProperty, ReadsAttributes) {
    VLObjCProperty title("title", "T@\"NSString\",C,N,V_title");
    EXPECT_EQ("title", title.name());
    EXPECT_EQ("@\"NSString\"", title.type().encoding());
    EXPECT_EQ(VLObjCProperty::SetterType::Copy, title.setterType());
    EXPECT_TRUE(title.isNonAtomic());
    EXPECT_FALSE(title.isReadOnly());
    EXPECT_FALSE(title.isDynamic());
    EXPECT_EQ("title", title.getter());
    EXPECT_EQ("setTitle:", title.setter());
    EXPECT_EQ("_title", title.ivarName());

    VLObjCProperty visible("visible", "TB,R,D,GisVisible,X");
    EXPECT_TRUE(visible.isReadOnly());
    EXPECT_TRUE(visible.isDynamic());
    EXPECT_EQ("isVisible", visible.getter());
    EXPECT_EQ("", visible.setter());
    EXPECT_EQ("", visible.ivarName());
    EXPECT_EQ(VLObjCProperty::SetterType::Assign, visible.setterType());

    EXPECT_EQ(VLObjCProperty::SetterType::Weak, VLObjCProperty("delegate", "T@,W").setterType());
    EXPECT_EQ(VLObjCProperty::SetterType::Strong, VLObjCProperty("item", "T@,&").setterType());
    EXPECT_EQ("putValue:", VLObjCProperty("value", "Ti,SputValue:").setter());
    EXPECT_EQ("setÉtat:", VLObjCProperty("état", "Ti").setter());
}

const VLObjCClass animalClass("TestAnimal", VLObjCClass::root(),
                              {{"name", "T@\"NSString\""}, {"legs", "Ti"}});
const VLObjCClass dogClass("TestDog", animalClass, {{"breed", "T@\"NSString\""}});

TEST(VLObjCClass, ListsOwnPropertiesThenInheritedOnes) {
    std::vector<std::string> names;
    for (const VLObjCProperty& property : dogClass.definedProperties()) {
        names.push_back(property.name());
    }
    EXPECT_EQ((std::vector<std::string>{"breed", "name", "legs"}), names);
    EXPECT_TRUE(VLObjCClass::root().definedProperties().empty());
    EXPECT_EQ(&dogClass, VLObjCClass::named("TestDog"));
    EXPECT_EQ(nullptr, VLObjCClass::named("TestCat"));
    EXPECT_TRUE(dogClass.isSubclassOf(animalClass));
    EXPECT_FALSE(animalClass.isSubclassOf(dogClass));
}

TEST(VLObjCClass, ValueClassesKnowTheirInstances) {
    struct Case {
        const char* className;
        VLValue instance, other;
    } cases[] = {
        {"NSString", "text", 1},
        {"NSNumber", 1.5, "1.5"},
        {"NSNumber", true, VLValue::null()},
        {"NSArray", VLArray{1}, VLDictionary{}},
        {"NSDictionary", VLDictionary{}, VLArray{}},
        {"NSNull", VLValue::null(), VLValue()},
        {"NSObject", "anything", VLValue()},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.className);
        const VLObjCClass* valueClass = VLObjCClass::named(c.className);
        ASSERT_NE(nullptr, valueClass);
        EXPECT_TRUE(valueClass->isInstanceValue(c.instance));
        EXPECT_FALSE(valueClass->isInstanceValue(c.other));
    }
    EXPECT_FALSE(dogClass.isInstanceValue("a dog"));
}

} // namespace
