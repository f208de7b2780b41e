#include "PackagedApps.h"

#include "online/xml/XXml.h"
#include "online/xml/XXmlDom.h"
#include "system/AsciiCase.h"
#include "system/Errors.h"
#include "system/Files.h"
#include "system/LineFields.h"
#include "system/TempName.h"
#include "system/TextCodec.h"

#include <cstdlib>
#include <map>
#include <string_view>

namespace {

constexpr std::string_view kUap5Namespace =
    "http://schemas.microsoft.com/appx/manifest/uap/windows10/5";
constexpr std::string_view kDesktopNamespace =
    "http://schemas.microsoft.com/appx/manifest/desktop/windows10";
constexpr std::string_view kStartupTaskCategory = "windows.startupTask";
constexpr std::string_view kResourceReference = "ms-resource:";

// The namespace that the element's prefix (or its lack of one) is bound to
// at the element, searched from it up through its ancestors; empty when
// none is.
std::string namespaceOf(const TXmlDNode& element) {
    const std::string prefix = element.Prefix();
    const std::string declaration = prefix.empty() ? "xmlns" : "xmlns:" + prefix;
    for (const TXmlDNode* node = &element; node && node->NodeType() == ntElement;
         node = node->ParentNode()) {
        if (const TXmlDNode* bound = node->Attributes()->GetNamedItem(declaration))
            return bound->GetNodeValue();
    }
    return {};
}

bool isStartupNamespace(const std::string& uri) {
    return uri == kUap5Namespace || uri == kDesktopNamespace;
}

// The first child element with this local name, or nullptr.
const TXmlDNode* childNamed(const TXmlDNode& parent, std::string_view localName) {
    for (const TXmlDNode* child = parent.FirstChild(); child; child = child->NextSibling()) {
        if (child->NodeType() == ntElement && child->LocalName() == localName)
            return child;
    }
    return nullptr;
}

// An attribute by its local name, whatever its prefix (Parameters comes as
// uap10:Parameters as well); empty when absent.
std::string attributeNamed(const TXmlDNode& element, std::string_view localName) {
    const TXmlDNamedNodeMap* attributes = element.Attributes();
    for (int k = 0; k < attributes->Length(); ++k) {
        const TXmlDNode* attribute = attributes->Item(k);
        if (attribute->LocalName() == localName)
            return attribute->GetNodeValue();
    }
    return {};
}

// A name for the user: not empty, and not a reference into the package's
// resources, which only the package's own resource index can resolve.
// The scheme's letter case does not matter to the resource loader.
bool isShowable(const std::string& name) {
    return !name.empty() &&
           !asciiEqualNoCase(std::string_view(name).substr(0, kResourceReference.size()),
                             kResourceReference);
}

// The manifest's text as UTF-8: the packaging tools write UTF-8, with or
// without a byte order mark; UTF-16 with its mark is read as well.
std::string manifestText(const std::string& bytes) {
    auto utf16 = [&bytes](bool bigEndian) {
        std::u16string units;
        for (std::size_t k = 2; k + 1 < bytes.size(); k += 2) {
            const auto first = static_cast<unsigned char>(bytes[k]);
            const auto second = static_cast<unsigned char>(bytes[k + 1]);
            units.push_back(
                static_cast<char16_t>(bigEndian ? first << 8 | second : second << 8 | first));
        }
        return Utf16ToUtf8(units);
    };
    if (bytes.compare(0, 3, "\xEF\xBB\xBF") == 0)
        return bytes.substr(3);
    if (bytes.compare(0, 2, "\xFF\xFE") == 0)
        return utf16(false);
    if (bytes.compare(0, 2, "\xFE\xFF") == 0)
        return utf16(true);
    return bytes;
}

std::string windowsPath(std::string path) {
    for (char& c : path) {
        if (c == '/')
            c = '\\';
    }
    return path;
}

struct TPackageNames {
    std::string FamilyName;
    std::string DisplayName;
};

TPackageNames packageNames(const TPackage& package, const TXmlDNode& root) {
    TPackageNames names;
    names.FamilyName =
        package.FamilyName.empty() ? PackageFamilyOf(package.FullName) : package.FamilyName;
    if (const TXmlDNode* properties = childNamed(root, "Properties")) {
        if (const TXmlDNode* displayName = childNamed(*properties, "DisplayName"))
            names.DisplayName = displayName->Text();
    }
    if (!isShowable(names.DisplayName))
        names.DisplayName = package.DisplayName;
    if (!isShowable(names.DisplayName)) {
        const std::string& whole = names.FamilyName.empty() ? package.FullName : names.FamilyName;
        names.DisplayName = whole.substr(0, whole.find('_'));
    }
    return names;
}

// The startup task of one extension element; false when it is none, or one
// that cannot be started.
bool startupTaskOf(const TPackage& package, const TPackageNames& names,
                   const TXmlDNode& application, const TXmlDNode& extension, TPackagedTask& task) {
    if (extension.LocalName() != "Extension" || !isStartupNamespace(namespaceOf(extension)) ||
        attributeNamed(extension, "Category") != kStartupTaskCategory)
        return false;
    const TXmlDNode* declared = childNamed(extension, "StartupTask");
    if (!declared || !isStartupNamespace(namespaceOf(*declared)))
        return false;
    task.TaskId = attributeNamed(*declared, "TaskId");
    std::string executable = attributeNamed(extension, "Executable");
    if (executable.empty())
        executable = attributeNamed(application, "Executable");
    if (task.TaskId.empty() || executable.empty())
        return false;
    task.PackageFullName = package.FullName;
    task.FamilyName = names.FamilyName;
    task.DisplayName = attributeNamed(*declared, "DisplayName");
    if (!isShowable(task.DisplayName))
        task.DisplayName = names.DisplayName;
    task.Executable = PathJoin(package.InstallFolder, windowsPath(executable));
    task.Arguments = attributeNamed(extension, "Parameters");
    if (task.Arguments.empty())
        task.Arguments = attributeNamed(application, "Parameters");
    task.EnabledByManifest = attributeNamed(*declared, "Enabled") == "true";
    return true;
}

// The document model takes a text that ends inside an element for complete,
// and a manifest cut short would lose its later applications unnoticed.
void checkComplete(const std::string& text) {
    TMemoryByteStream stream(text);
    TXmlReader reader;
    reader.Open(stream);
    while (reader.Next() != xtEndOfDocument) {
    }
    if (reader.Depth() > 0)
        throw EMorvaneError("the manifest ends inside <" + reader.OpenElements().back() + ">");
}

} // namespace

std::vector<TPackagedTask> StartupTasksOf(const TPackage& package, const std::string& manifestXml,
                                          std::string* error) {
    std::vector<TPackagedTask> tasks;
    const std::string text = manifestText(manifestXml);
    auto document = MakeRef<TXmlDDocument>();
    try {
        checkComplete(text);
        TMemoryByteStream stream(text);
        document->LoadFromStream(stream);
    } catch (const EMorvaneError& e) {
        if (error)
            *error = e.what();
        return tasks;
    }
    const TXmlDElement* root = document->DocumentElement();
    if (!root || root->LocalName() != "Package") {
        if (error)
            *error = "the manifest has no Package element";
        return tasks;
    }
    const TPackageNames names = packageNames(package, *root);
    const TXmlDNode* applications = childNamed(*root, "Applications");
    for (const TXmlDNode* application = applications ? applications->FirstChild() : nullptr;
         application; application = application->NextSibling()) {
        if (application->NodeType() != ntElement || application->LocalName() != "Application")
            continue;
        const TXmlDNode* extensions = childNamed(*application, "Extensions");
        for (const TXmlDNode* extension = extensions ? extensions->FirstChild() : nullptr;
             extension; extension = extension->NextSibling()) {
            TPackagedTask task;
            if (extension->NodeType() == ntElement &&
                startupTaskOf(package, names, *application, *extension, task))
                tasks.push_back(std::move(task));
        }
    }
    if (error)
        error->clear();
    return tasks;
}

namespace {

// --- What each package's manifest declared, kept between scans -------------------

const char kCacheHeader[] = "Morvane package tasks 1";

struct TCachedPackage {
    std::string ManifestPath;
    TFileStamp Stamp;
    std::vector<TPackagedTask> Tasks;
};
using TPackageCache = std::map<std::string, TCachedPackage>; // by full name

bool ParseNumber(const std::string& text, std::uint64_t& value) {
    if (text.empty() || text.size() > 20 ||
        text.find_first_not_of("0123456789") != std::string::npos)
        return false;
    value = std::strtoull(text.c_str(), nullptr, 10);
    return true;
}

// Every line as written, or nothing: a cache that does not read whole is
// not believed.
TPackageCache ReadCache(const std::string& path) {
    std::string text;
    if (path.empty() || !ReadWholeFile(path, text))
        return {};
    std::vector<std::string> lines;
    for (size_t at = 0; at < text.size();) {
        const size_t end = text.find('\n', at);
        if (end == std::string::npos)
            return {}; // cut while it was written
        lines.push_back(text.substr(at, end - at));
        at = end + 1;
    }
    if (lines.size() < 2 || lines.front() != kCacheHeader ||
        lines.back() != "end " + std::to_string(lines.size() - 2))
        return {};
    TPackageCache cache;
    TCachedPackage* current = nullptr;
    std::string fullName;
    for (size_t i = 1; i + 1 < lines.size(); ++i) {
        const std::vector<std::string> f = SplitFields(lines[i]);
        std::vector<std::string> v(f.size());
        for (size_t k = 1; k < f.size(); ++k)
            if (!UnescapeField(f[k], v[k]))
                return {};
        if (f[0] == "package" && f.size() == 5) {
            TCachedPackage entry;
            entry.ManifestPath = v[2];
            if (v[1].empty() || !ParseNumber(v[3], entry.Stamp.Size) ||
                !ParseNumber(v[4], entry.Stamp.WriteTime) || cache.count(v[1]))
                return {};
            fullName = v[1];
            current = &(cache[fullName] = std::move(entry));
        } else if (f[0] == "task" && f.size() == 6 && current && (v[5] == "0" || v[5] == "1")) {
            TPackagedTask task;
            task.PackageFullName = fullName;
            task.FamilyName = PackageFamilyOf(fullName);
            task.TaskId = v[1];
            task.DisplayName = v[2];
            task.Executable = v[3];
            task.Arguments = v[4];
            task.EnabledByManifest = v[5] == "1";
            current->Tasks.push_back(std::move(task));
        } else {
            return {};
        }
    }
    return cache;
}

void WriteCache(const std::string& path, const TPackageCache& cache) {
    std::string text = std::string(kCacheHeader) + "\n";
    size_t lines = 0;
    for (const auto& [fullName, entry] : cache) {
        text += "package\t" + EscapeField(fullName) + "\t" + EscapeField(entry.ManifestPath) +
                "\t" + std::to_string(entry.Stamp.Size) + "\t" +
                std::to_string(entry.Stamp.WriteTime) + "\n";
        ++lines;
        for (const TPackagedTask& task : entry.Tasks) {
            text += "task\t" + EscapeField(task.TaskId) + "\t" + EscapeField(task.DisplayName) +
                    "\t" + EscapeField(task.Executable) + "\t" + EscapeField(task.Arguments) +
                    (task.EnabledByManifest ? "\t1\n" : "\t0\n");
            ++lines;
        }
    }
    text += "end " + std::to_string(lines) + "\n";
    if (!ForceFolders(FileDir(path)))
        return;
    // Written beside the old one and moved over it: a reader never meets
    // half a file. A cache that cannot be written costs only the next
    // scan's time.
    const std::string temporary = UniqueTemporaryName(path);
    if (!WriteWholeFile(temporary, text) || !ReplaceFileWith(path, temporary))
        DeleteFileAt(temporary);
}

} // namespace

std::vector<TPackagedTask> InstalledStartupTasks(std::vector<std::string>* skipped,
                                                 const std::string& cacheFile) {
    std::vector<TPackagedTask> tasks;
    const TPackageCache cached = ReadCache(cacheFile);
    TPackageCache now;
    bool changed = false;
    for (const std::string& fullName : InstalledPackageNames()) {
        auto known = cached.find(fullName);
        TFileStamp stamp;
        if (known != cached.end() && ReadFileStamp(known->second.ManifestPath, stamp) &&
            stamp == known->second.Stamp) {
            for (const TPackagedTask& task : known->second.Tasks)
                tasks.push_back(task);
            now.insert(*known);
            continue;
        }
        TPackage package;
        if (!ReadPackage(fullName, package))
            continue;
        const std::string path = PathJoin(package.InstallFolder, "AppxManifest.xml");
        std::string bytes, error;
        if (package.InstallFolder.empty() || !ReadFileStamp(path, stamp) ||
            !ReadWholeFile(path, bytes)) {
            if (skipped)
                skipped->push_back(package.FullName + ": no manifest at \"" + path + "\"");
            continue;
        }
        // Most packages declare no startup task; their manifests are not
        // parsed. One in UTF-16 (NULs between its letters) always is.
        std::vector<TPackagedTask> declared;
        if (bytes.find('\0') != std::string::npos ||
            bytes.find("windows.startupTask") != std::string::npos) {
            declared = StartupTasksOf(package, bytes, &error);
            if (!error.empty()) {
                if (skipped)
                    skipped->push_back(package.FullName + ": damaged manifest \"" + path +
                                       "\": " + error);
                continue;
            }
        }
        changed = true;
        now[fullName] = TCachedPackage{path, stamp, declared};
        for (TPackagedTask& task : declared)
            tasks.push_back(std::move(task));
    }
    if (!cacheFile.empty() && (changed || now.size() != cached.size()))
        WriteCache(cacheFile, now);
    return tasks;
}
