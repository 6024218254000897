#include "project/PropertyValueGroup.h"

#include <cstdio>
#include <cstring>
#include <sys/stat.h>

#include "project/ProjectSystem.h"
#include "xml/XML.h"

namespace {

std::string attributeText(const XMLElement* element, const char* name)
{
    const char* value = element->attribute(name);
    return value ? value : "";
}

bool isTagged(XMLNode* node, const char* tag)
{
    XMLElement* element = node->toElement();
    return element && std::strcmp(element->tagName(), tag) == 0;
}

// Nanoseconds, so that a file rewritten within the second it was read in is
// still seen as changed; null when the file cannot be examined.
std::optional<std::int64_t> modificationTime(const std::string& path)
{
    struct stat status;
    if (stat(path.c_str(), &status) != 0)
        return std::nullopt;
    return static_cast<std::int64_t>(status.st_mtim.tv_sec) * 1000000000 + status.st_mtim.tv_nsec;
}

} // namespace

std::optional<std::string> PropertyValueGroupEntry::getTaggedValue(const std::string& tag, const std::string& name,
                                                                   std::string& configuration) const
{
    if (!element_)
        return std::nullopt;
    for (XMLNode* node = element_->firstChild(); node; node = node->nextSibling()) {
        if (!isTagged(node, tag.c_str()) || attributeText(node->toElement(), "name") != name)
            continue;
        if (const char* childConfiguration = node->toElement()->attribute("configuration"))
            configuration = childConfiguration;
        return attributeText(node->toElement(), "value");
    }
    return std::nullopt;
}

std::vector<std::string> PropertyValueGroupEntry::getTaggedNames(const std::string& tag) const
{
    std::vector<std::string> names;
    if (!element_)
        return names;
    for (XMLNode* node = element_->firstChild(); node; node = node->nextSibling())
        if (isTagged(node, tag.c_str()))
            names.push_back(attributeText(node->toElement(), "name"));
    return names;
}

PropertyValueGroupClass::PropertyValueGroupClass(XMLElement* group)
    : PropertyClass(attributeText(group, "name"), Enumeration, {},
                    group->hasAttribute("page") ? attributeText(group, "page") : "General",
                    attributeText(group, "group"), attributeText(group, "short"), attributeText(group, "long"),
                    attributeText(group, "default")),
      group_(group)
{
    std::vector<std::string> entries;
    for (XMLNode* node = group->firstChild(); node; node = node->nextSibling())
        if (isTagged(node, "groupEntry"))
            entries.push_back(attributeText(node->toElement(), "name"));
    setEnumerates(entries);
}

PropertyValueGroupEntry PropertyValueGroupClass::getGroupEntry(const std::string& entryName) const
{
    for (XMLNode* node = group_->firstChild(); node; node = node->nextSibling())
        if (isTagged(node, "groupEntry") && attributeText(node->toElement(), "name") == entryName)
            return PropertyValueGroupEntry(node->toElement());
    return PropertyValueGroupEntry();
}

PropertyValueGroupFile::PropertyValueGroupFile(const MacroSystem& macros, const std::string& path,
                                               const WarningSink* warn)
    : XMLPP2(macros, false), path_(path), warn_(warn)
{
}

bool PropertyValueGroupFile::load()
{
    // The time is taken before reading, so that a write during the read makes
    // the file look changed rather than current.
    const std::optional<std::int64_t> modified = modificationTime(path_);
    // An empty file or one of only a declaration parses without a root; it
    // defines no groups, which is taken as a failure to load.
    if (!XMLPP2::load(path_.c_str()) || !rootElement())
        return false;
    modified_ = modified;
    for (XMLNode* node = rootElement()->firstChild(); node; node = node->nextSibling())
        if (isTagged(node, "group"))
            classes_.push_back(std::make_unique<PropertyValueGroupClass>(node->toElement()));
    return true;
}

bool PropertyValueGroupFile::isUpToDate() const
{
    const std::optional<std::int64_t> now = modificationTime(path_);
    return now && now == modified_;
}

PropertyValueGroupClass* PropertyValueGroupFile::getGroupClass(const std::string& name) const
{
    for (const auto& groupClass : classes_)
        if (groupClass->saveName() == name)
            return groupClass.get();
    return nullptr;
}

void PropertyValueGroupFile::warning(const std::string& message)
{
    projectWarning(warn_ != nullptr ? *warn_ : WarningSink(), message);
}

void PropertyValueGroups::setGroupFile(const std::string& path)
{
    current_ = nullptr;
    if (path == "None")
        return;
    for (auto file = loaded_.begin(); file != loaded_.end(); ++file) {
        if ((*file)->path() != path)
            continue;
        if ((*file)->isUpToDate()) {
            current_ = file->get();
            return;
        }
        retired_.push_back(std::move(*file));
        loaded_.erase(file);
        break;
    }
    auto file = std::make_unique<PropertyValueGroupFile>(macros_, path, warn_);
    if (!file->load())
        return;
    current_ = file.get();
    loaded_.push_back(std::move(file));
}

PropertyValueGroupClass* PropertyValueGroups::getGroupClass(const std::string& name) const
{
    return current_ ? current_->getGroupClass(name) : nullptr;
}

PropertyValueGroupValue::PropertyValueGroupValue(PropertyValueGroupClass* groupClass, ProjectElement* element,
                                                 const std::string& configuration, ProjectSystem* system)
    : ProjectPropertyValue(groupClass, configuration, element, system), groupClass_(groupClass)
{
}

void PropertyValueGroupValue::setPropertyValue(const std::string& text, bool flag)
{
    ProjectSystem* projectSystem = system();
    if (!projectSystem || !groupClass_ || !node())
        return;
    std::string chosen = text;
    PropertyValueGroupEntry entry = groupClass_->getGroupEntry(chosen);
    if (entry.isNull()) {
        chosen = groupClass_->defaultValue();
        entry = groupClass_->getGroupEntry(chosen);
    }
    projectSystem->setProperty(node(), groupClass_, configuration(), chosen, flag);
    if (entry.isNull())
        return;
    for (XMLNode* child = entry.element()->firstChild(); child; child = child->nextSibling()) {
        if (!isTagged(child, "property"))
            continue;
        XMLElement* property = child->toElement();
        const char* propertyConfiguration = property->attribute("configuration");
        projectSystem->setProperty(node(), attributeText(property, "name"),
                                   propertyConfiguration ? propertyConfiguration : configuration(),
                                   attributeText(property, "value"), flag);
    }
}

void PropertyValueGroupValue::setPropertyValue(const std::optional<std::string>& text)
{
    setPropertyValue(text.value_or(""), false);
}
