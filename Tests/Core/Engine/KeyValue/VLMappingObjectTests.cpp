#include "Core/Engine/KeyValue/VLMappingObject.h"

#include <gtest/gtest.h>

namespace {

class Size : public VLMappingObject {
public:
    static const VLMappingObjectClass& sizeClass();
    const VLMappingObjectClass& objcClass() const override { return sizeClass(); }
};

const VLMappingObjectClass& Size::sizeClass() {
    static const VLMappingObjectClass instance("TestSize", VLMappingObject::mappingObjectClass(),
                                               {{"width", "Td,N"}, {"height", "Td,N"}},
                                               [] { return std::make_shared<Size>(); });
    return instance;
}

class Shape : public VLMappingObject {
public:
    const VLMappingObjectClass& objcClass() const override { return shapeClass; }
    static const VLMappingObjectClass shapeClass;
};

// Declared at namespace scope, so that "TestSize" is found by name from the start.
const VLMappingObjectClass& sizeClassAtLoad = Size::sizeClass();

const VLMappingObjectClass Shape::shapeClass("TestShape", VLMappingObject::mappingObjectClass(),
                                             {
                                                 {"width", "Td,N"},
                                                 {"count", "Ti,N"},
                                                 {"tiny", "Tc,N"},
                                                 {"visible", "TB,N,GisVisible"},
                                                 {"size", "T@\"TestSize\",&,N"},
                                                 {"label", "T@\"NSString\",C,N"},
                                                 {"anything", "T@,&,N"},
                                                 {"kind", "T#,N"},
                                                 {"cName", "Tr*,N"},
                                                 {"action", "T:,N"},
                                                 {"frame", "T{CGRect={CGPoint=dd}{CGSize=dd}},N"},
                                                 {"area", "Td,R,N"},
                                             },
                                             [] { return std::make_shared<Shape>(); });

VLValue plain(const std::optional<VLMappingValue>& result) {
    EXPECT_TRUE(result.has_value());
    const VLValue* value = result ? std::get_if<VLValue>(&*result) : nullptr;
    EXPECT_NE(nullptr, value);
    return value ? *value : VLValue();
}

TEST(VLMappingObject, NumberAccessorsConvertAsTheCTypeDoes) {
    struct Case {
        const char* getter;
        VLValue stored, expected;
    } cases[] = {
        {"width", 2.5, 2.5},   {"width", VLValue(), 0.0}, {"width", VLValue::null(), 0.0},
        {"width", "2.5", 0.0}, {"count", 2.7, 2},         {"count", true, 1},
        {"tiny", 300, 44},     {"isVisible", 2, true},    {"isVisible", 0.0, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.getter) + " " + c.stored.description());
        auto shape = Shape::shapeClass.mappingOf(VLDictionary{{"width", VLValue()}});
        std::string name = c.getter == std::string("isVisible") ? "visible" : c.getter;
        shape->resetStorage(c.stored.isNil() ? VLDictionary{} : VLDictionary{{name, c.stored}});
        VLValue read = plain(shape->perform(c.getter));
        EXPECT_EQ(c.expected, read);
        EXPECT_EQ(c.expected.type(), read.type());
    }

    Shape shape;
    shape.perform("setCount:", 7.9);
    shape.perform("setWidth:", 1.25f);
    shape.perform("setVisible:", 5);
    EXPECT_EQ((VLDictionary{{"count", 7}, {"width", 1.25}, {"visible", true}}), shape.storage());
}

TEST(VLMappingObject, MethodsComeOnlyFromDeclaredPropertiesWithAccessibleTypes) {
    Shape shape;
    EXPECT_FALSE(shape.perform("visible"));
    EXPECT_FALSE(shape.perform("frame"));
    EXPECT_FALSE(shape.perform("setFrame:", VLValue(VLArray{})));
    EXPECT_FALSE(shape.perform("colour"));
    EXPECT_FALSE(shape.perform("setArea:", 2.0));
    EXPECT_FALSE(shape.perform("", 2.0));
    EXPECT_TRUE(shape.storage().empty());
    EXPECT_TRUE(shape.perform("area"));
    EXPECT_TRUE(shape.perform("isVisible"));
    EXPECT_EQ(nullptr, Shape::shapeClass.resolveInstanceMethod("frame"));
    EXPECT_EQ(Shape::shapeClass.resolveInstanceMethod("width"),
              Shape::shapeClass.resolveInstanceMethod("width"));
    EXPECT_EQ("visible", Shape::shapeClass.propertyForSelector("setVisible:")->name());
}

TEST(VLMappingObject, ObjectPropertiesGiveOnlyInstancesOfTheDeclaredClass) {
    auto shape =
        Shape::shapeClass.mappingOf(VLDictionary{{"label", 12}, {"anything", "x"}, {"cName", "abc"}});
    EXPECT_TRUE(plain(shape->perform("label")).isNil());
    EXPECT_TRUE(plain(shape->perform("anything")).isNil());
    EXPECT_EQ(VLValue("abc"), plain(shape->perform("cName")));

    shape->perform("setLabel:", "round");
    shape->perform("setAction:", "redraw:");
    shape->perform("setKind:", &Size::sizeClass());
    EXPECT_EQ(VLValue("round"), plain(shape->perform("label")));
    EXPECT_EQ(VLValue("redraw:"), plain(shape->perform("action")));
    EXPECT_EQ(&Size::sizeClass(), std::get<const VLObjCClass*>(*shape->perform("kind")));
    EXPECT_EQ(VLValue("TestSize"), shape->storage().get("kind"));

    shape->perform("setLabel:", VLValue());
    shape->perform("setKind:", static_cast<const VLObjCClass*>(nullptr));
    EXPECT_FALSE(shape->storage().contains("label"));
    EXPECT_FALSE(shape->storage().contains("kind"));
}

TEST(VLMappingObject, WrapsAStoredDictionaryOnceAndWritesThroughIt) {
    auto shape =
        Shape::shapeClass.mappingOf(VLDictionary{{"size", VLDictionary{{"width", 3}}}, {"count", 1}});
    auto size = std::get<std::shared_ptr<VLMappingObject>>(*shape->perform("size"));
    ASSERT_NE(nullptr, size);
    EXPECT_EQ(&Size::sizeClass(), &size->objcClass());
    EXPECT_EQ(size, std::get<std::shared_ptr<VLMappingObject>>(*shape->perform("size")));
    EXPECT_EQ(VLValue(3.0), plain(size->perform("width")));

    size->perform("setHeight:", 4);
    auto copy = shape->copy();
    EXPECT_EQ((VLDictionary{{"size", VLDictionary{{"width", 3}, {"height", 4.0}}}, {"count", 1}}),
              shape->storage());
    EXPECT_EQ(&Shape::shapeClass, &copy->objcClass());
    EXPECT_EQ(shape->storage(), copy->storage());

    shape->perform("setSize:", VLValue());
    EXPECT_EQ((VLDictionary{{"count", 1}}), shape->storage());
    EXPECT_EQ(shape->storage().size() + 1, copy->storage().size());
    shape->resetStorage({});
    EXPECT_TRUE(shape->storage().empty());

    // An object stored inside itself would make a cycle: it is stored as a copy.
    shape->resetStorage({{"count", 2}});
    shape->perform("setAnything:", shape);
    EXPECT_EQ((VLDictionary{{"count", 2}, {"anything", VLDictionary{{"count", 2}}}}), shape->storage());
}

} // namespace
