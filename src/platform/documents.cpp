// XML and JSON documents, read by pugixml and nlohmann-json into the one plain tree the
// game's floors read, so that neither library reaches above the platform.
#include <nlohmann/json.hpp>
#include <pugixml.hpp>

#include "platform/platform.h"

namespace {

// Far deeper than any map a map editor writes; a deeper one is refused rather than
// walked down until the stack runs out.
constexpr int MaxDocumentDepth = 64;

// The caller names the file; the message says what is wrong with it.
[[noreturn]] void Refuse(const std::string& problem) { throw FileError(problem); }

DocumentNode FromXml(const pugi::xml_node& element, int depth) {
    if (depth > MaxDocumentDepth) Refuse("its elements nest too deeply");
    DocumentNode node;
    node.Name = element.name();
    for (const pugi::xml_attribute& a : element.attributes())
        node.Attributes.emplace_back(a.name(), a.value());
    for (const pugi::xml_node& child : element.children()) {
        if (child.type() == pugi::node_element)
            node.Children.push_back(FromXml(child, depth + 1));
        else if (child.type() == pugi::node_pcdata || child.type() == pugi::node_cdata)
            node.Text += child.value();
    }
    return node;
}

std::string ScalarText(const nlohmann::json& value) {
    if (value.is_string()) return value.get<std::string>();
    if (value.is_null()) return "";
    return value.dump();
}

DocumentNode FromJson(const nlohmann::json& value, const std::string& name, int depth) {
    if (depth > MaxDocumentDepth) Refuse("its values nest too deeply");
    DocumentNode node;
    node.Name = name;
    if (value.is_object()) {
        for (const auto& [key, member] : value.items()) {
            if (member.is_structured())
                node.Children.push_back(FromJson(member, key, depth + 1));
            else
                node.Attributes.emplace_back(key, ScalarText(member));
        }
    } else if (value.is_array()) {
        node.IsList = true;
        for (const nlohmann::json& item : value)
            node.Children.push_back(FromJson(item, "", depth + 1));
    } else {
        node.Text = ScalarText(value);
    }
    return node;
}

}  // namespace

const std::string* DocumentNode::Attribute(const std::string& name) const {
    for (const auto& [key, value] : Attributes)
        if (key == name) return &value;
    return nullptr;
}

const DocumentNode* DocumentNode::Child(const std::string& name) const {
    for (const DocumentNode& child : Children)
        if (child.Name == name) return &child;
    return nullptr;
}

DocumentNode ReadXmlDocument(const std::string& text) {
    pugi::xml_document document;
    pugi::xml_parse_result result = document.load_buffer(text.data(), text.size());
    if (!result)
        Refuse(std::string("it is not well-formed XML (") + result.description() +
                             " at character " + std::to_string(result.offset) + ")");
    pugi::xml_node root = document.document_element();
    if (!root) Refuse("it holds no XML element");
    return FromXml(root, 0);
}

DocumentNode ReadJsonDocument(const std::string& text) {
    nlohmann::json value;
    try {
        value = nlohmann::json::parse(text);
    } catch (const nlohmann::json::exception& e) {
        // The library's message starts with its own error code in brackets.
        std::string why = e.what();
        if (std::size_t end = why.find("] "); end != std::string::npos) why.erase(0, end + 2);
        Refuse("it is not valid JSON (" + PrintableText(why) + ")");
    }
    return FromJson(value, "", 0);
}
