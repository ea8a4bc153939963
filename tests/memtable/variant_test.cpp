#include "memtable/variant.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "memtable/db_error.h"

namespace spisotek {
namespace {

TEST(VariantTest, NullAndArrays) {
    TVariant value;
    EXPECT_TRUE(value.IsNull());
    EXPECT_FALSE(value.IsArray());
    EXPECT_EQ(value.AsString(), "");
    EXPECT_EQ(value.AsInteger(), 0);

    const TVariant array = TVariant::Array({"KOWAL", 12, TVariant()});
    EXPECT_TRUE(array.IsArray());
    EXPECT_EQ(array.ArrayLength(), 3);
    EXPECT_EQ(array[0].AsString(), "KOWAL");
    EXPECT_EQ(array[1].AsInteger(), 12);
    EXPECT_TRUE(array[2].IsNull());
    EXPECT_THROW(array[3], EVariantError);
    EXPECT_THROW(array.AsString(), EVariantError);
}

TEST(VariantTest, Conversions) {
    struct Case {
        TVariant value;
        std::string text;
        double number;
    };
    const std::vector<Case> cases = {
        {TVariant("42"), "42", 42},
        {TVariant(int64_t{1} << 40), "1099511627776", 1099511627776.0},
        {TVariant(true), "True", -1},
        {TVariant(2.5), "2.5", 2.5},
        {TVariant::FromCurrency(12345), "1.2345", 1.2345},
        {TVariant(std::u16string(u"\u0104")), "\xA5", 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(c.value.AsString(), c.text);
        if (c.number != 0) {
            EXPECT_DOUBLE_EQ(c.value.AsDouble(), c.number);
        }
    }
    EXPECT_EQ(TVariant(12345678901LL).AsInt64(), 12345678901LL);
    EXPECT_EQ(TVariant(2.5).AsInteger(), 2);  // ties to even
    EXPECT_EQ(TVariant(3.5).AsInteger(), 4);
    EXPECT_EQ(TVariant("\xA5").AsWideString(), u"\u0104");
    EXPECT_TRUE(TVariant("true").AsBoolean());
    EXPECT_EQ(TVariant("1.25").AsCurrency(), 12500);
    EXPECT_DOUBLE_EQ(TVariant("1899-12-31").AsDateTime(), 1.0);
    EXPECT_DOUBLE_EQ(TVariant("1899-12-30 12:00").AsDateTime(), 0.5);
    EXPECT_EQ(TVariant::FromDateTime(1.5).AsString(), "1899-12-31 12:00:00");
}

TEST(VariantTest, ConversionErrors) {
    const auto message = [](auto&& action) -> std::string {
        try {
            action();
        } catch (const EDataError& error) {
            return error.what();
        }
        return "<no error>";
    };
    EXPECT_EQ(message([] { TVariant("abc").AsInteger(); }), "'abc' is not a valid integer value");
    EXPECT_EQ(message([] { TVariant("x1").AsDouble(); }),
              "'x1' is not a valid floating point value");
    EXPECT_EQ(message([] { TVariant("4000000000").AsInteger(); }),
              "'4000000000' is not a valid integer value");
    EXPECT_EQ(message([] { TVariant("2023-13-01").AsDateTime(); }),
              "'2023-13-01' is not a valid date and time");
    EXPECT_EQ(message([] { TVariant(1e300).AsInteger(); }),
              "Could not convert variant of type (Double) into type (Int64)");
    EXPECT_THROW(TVariant("tak").AsBoolean(), EVariantError);
}

}  // namespace
}  // namespace spisotek
