// The text syntax on its own: values as written and read back.
#include "fixtures.h"

#include <gtest/gtest.h>

namespace {

TDefValue ParseValueOf(const QString& valueText) {
    const TDefObject object = ParseDefinition(QStringLiteral("object X: TX\n  P = ") + valueText + QStringLiteral("\nend\n"));
    EXPECT_EQ(object.properties.size(), 1u);
    return object.properties.empty() ? TDefValue() : object.properties.front().value;
}

TDefValue RoundTrip(const TDefValue& value) {
    TDefObject object;
    object.name = "X";
    object.className = "TX";
    object.properties.push_back({"P", value, 0});
    return ParseDefinition(FormatDefinition(object)).properties.at(0).value;
}

TEST(DefinitionText, StringSpellings) {
    struct Case {
        const char* text;
        const char16_t* value;
    } cases[] = {
        {"'it''s'", u"it's"},
        {"#39", u"'"},
        {"''", u""},
        {"'a'#13#10'b'", u"a\r\nb"},
        {"'R'#233'cup'#233'ration'", u"R\u00e9cup\u00e9ration"},
        {"#$41#$42", u"AB"},
        {"'abc' +\n    'def' + #33", u"abcdef!"},
        {"'Version :'", u"Version :"},
        {"#55357#56832", u"\U0001F600"},  // a surrogate pair, written unit by unit
        {"'caf\u00e9'", u"caf\u00e9"},       // non-ASCII straight in the text
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        const TDefValue value = ParseValueOf(QString::fromUtf8(c.text));
        ASSERT_EQ(value.kind(), TDefValue::Kind::String);
        EXPECT_EQ(value.text(), QString::fromUtf16(c.value));
        EXPECT_EQ(RoundTrip(value), value);
    }
}

TEST(DefinitionText, WrittenStringsArePrintableAsciiAndLongOnesContinue) {
    const QString text = QString::fromUtf16(u"\u00e9t\u00e9 'quoted'\ttab ") + QString(100, u'x');
    TDefObject object;
    object.className = "TX";
    object.properties.push_back({"P", TDefValue::String(text), 0});
    const QString written = FormatDefinition(object);
    for (QChar c : written) {
        EXPECT_TRUE(c == u'\n' || (c.unicode() >= 0x20 && c.unicode() < 0x7F)) << int(c.unicode());
    }
    EXPECT_TRUE(written.contains(" +\n")) << written.toStdString();
    EXPECT_TRUE(written.startsWith("object TX\n")) << "a nameless object";
    EXPECT_EQ(ParseDefinition(written).properties.at(0).value.text(), text);
}

TEST(DefinitionText, Numbers) {
    struct Case {
        const char* text;
        TDefValue value;
    } cases[] = {
        {"12", TDefValue::Integer(12)},
        {"-11", TDefValue::Integer(-11)},
        {"$FF", TDefValue::Integer(255)},
        {"-$10", TDefValue::Integer(-16)},
        {"$FF00000F", TDefValue::Integer(0xFF00000F)},
        {"9223372036854775807", TDefValue::Integer(9223372036854775807LL)},
        {"1.5", TDefValue::Float(1.5)},
        {"-0.25", TDefValue::Float(-0.25)},
        {"2.5E3", TDefValue::Float(2500)},
        {"1e-2", TDefValue::Float(0.01)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        const TDefValue value = ParseValueOf(QString::fromUtf8(c.text));
        EXPECT_EQ(value, c.value);
        EXPECT_EQ(RoundTrip(value), value);
    }
    // Floats keep their kind and their exact value when written.
    for (double d : {0.1, 3.0, -2.5, 1e20, 1.7976931348623157e308, 5e-324}) {
        SCOPED_TRACE(d);
        EXPECT_EQ(RoundTrip(TDefValue::Float(d)), TDefValue::Float(d));
    }
}

TEST(DefinitionText, CompoundValuesRoundTrip) {
    std::vector<TDefItem> items(2);
    items[0].properties.push_back({"Name", TDefValue::String("a"), 0});
    items[0].properties.push_back({"Font.Style", TDefValue::Set({"stBold"}), 0});
    const TDefValue values[] = {
        TDefValue::Set({}),
        TDefValue::Set({"stBold", "stItalic"}),
        TDefValue::List({}),
        TDefValue::List({TDefValue::String("x"), TDefValue::Integer(3), TDefValue::Ident("id")}),
        TDefValue::Collection({}),
        TDefValue::Collection(items),
        TDefValue::Binary(QByteArray()),
        TDefValue::Binary(QByteArray(70, '\x5A')),  // several lines
        TDefValue::Ident("Form1.Query1"),
    };
    for (const TDefValue& value : values) {
        SCOPED_TRACE(value.KindName().toStdString());
        EXPECT_EQ(RoundTrip(value), value);
    }
}

TEST(DefinitionText, LinesAreCountedForNestedObjectsAndProperties) {
    const TDefObject root = ParseDefinition(QStringLiteral(
        "object A: TA\n"
        "  P = 'x' +\n"
        "    'y'\n"
        "  object B: TB\n"
        "    Q = <\n"
        "      item\n"
        "        R = 1\n"
        "      end>\n"
        "  end\n"
        "end\n"));
    EXPECT_EQ(root.line, 1);
    EXPECT_EQ(root.properties.at(0).line, 2);
    const TDefObject& b = root.children.at(0);
    EXPECT_EQ(b.line, 4);
    EXPECT_EQ(b.properties.at(0).line, 5);
    EXPECT_EQ(b.properties.at(0).value.items().at(0).line, 6);
    EXPECT_EQ(b.properties.at(0).value.items().at(0).properties.at(0).line, 7);
}

TEST(DefinitionText, TextAfterTheRootIsAnError) {
    EXPECT_THROW(ParseDefinition("object A: TA\nend\nobject B: TB\nend\n"), EParserError);
    EXPECT_THROW(ParseDefinition(""), EParserError);
    EXPECT_THROW(ParseDefinition("object A: TA\n P = @\nend\n"), EParserError);
    // Absurd nesting is refused, not a stack overflow.
    const QString deep = QStringLiteral("object A: TA\n P = ") + QString(100000, u'(') + QString(100000, u')') +
                         QStringLiteral("\nend\n");
    EXPECT_THROW(ParseDefinition(deep), EParserError);
    QString nestedObjects;
    for (int i = 0; i < 5000; ++i) nestedObjects += QStringLiteral("object A: TA\n");
    EXPECT_THROW(ParseDefinition(nestedObjects), EParserError);
}

} // namespace
