// File facts of an imagined Windows machine: folders and files with any
// attribute value, listings that fail with any number, paths with "\" and
// drive letters. Doubled backslashes read as single ones, as Windows reads
// them.
#pragma once

#include "platform/failure.h"
#include "platform/file_facts.h"

#include <QRegularExpression>

#include <map>
#include <optional>
#include <set>

namespace brindlemoor::filelist::testing {

class FakeFileFacts : public platform::FileFacts {
public:
    // Adds a folder, and any missing folder above it with attribute 16.
    void addFolder(const QString& path, std::int32_t attributes = platform::attribute::kDirectory) {
        entry(path).attributes = attributes;
    }
    void addFile(const QString& path, std::int32_t attributes = platform::attribute::kArchive) {
        Entry& file = entry(path);
        file.attributes = attributes;
        file.isFile = true;
    }
    void failListing(const QString& folder, std::int32_t number) { entry(folder).listingFailure = number; }
    void failRootTest(const QString& folder) { rootTestFails_.insert(key(folder)); }
    void failAttributesOf(const QString& path) { attributesFail_.insert(key(path)); }

    std::int32_t attributes(const QString& path) const override {
        const auto found = entries_.find(key(path));
        if (found == entries_.end()) throw platform::Failure(platform::failure::kPathNotFound, "Path not found");
        if (attributesFail_.count(key(path)) != 0) throw platform::Failure(5, "Invalid procedure call or argument");
        return found->second.attributes;
    }
    bool isRootFolder(const QString& path) const override {
        if (rootTestFails_.count(key(path)) != 0) throw platform::Failure(5, "Invalid procedure call or argument");
        return isDriveRoot(key(path));
    }
    QStringList subFolderNames(const QString& folder) const override {
        const Entry& listed = existing(folder);
        if (listed.listingFailure)
            throw platform::Failure(*listed.listingFailure, QStringLiteral("Listing failed"));
        QStringList names;
        for (const QString& child : listed.children)
            if (!entries_.at(join(key(folder), child)).isFile) names << child;
        return names;
    }
    QStringList matchingEntries(const QString& folder, const QString& pattern) const override {
        const auto found = entries_.find(key(folder));
        if (found == entries_.end()) return {};
        QStringList names;
        for (const QString& child : found->second.children)
            if (entries_.at(join(key(folder), child)).isFile && platform::matchesWildcard(child, pattern))
                names << child;
        return names;
    }
    bool opensAsFile(const QString& path) const override {
        const auto found = entries_.find(key(path));
        return found != entries_.end() && found->second.isFile;
    }
    bool leadsBackUp(const QString&) const override { return false; }

private:
    struct Entry {
        std::int32_t attributes = platform::attribute::kDirectory;
        bool isFile = false;
        std::optional<std::int32_t> listingFailure;
        QStringList children;
    };

    static bool isDriveRoot(const QString& normal) {
        static const QRegularExpression drive(QStringLiteral("^[A-Za-z]:\\\\$"));
        return drive.match(normal).hasMatch();
    }
    // "C:\\Data\" and "C:\Data" name the same folder; a drive keeps its "\".
    static QString key(const QString& path) {
        QString normal = path;
        while (normal.contains(QStringLiteral("\\\\"))) normal.replace(QStringLiteral("\\\\"), QStringLiteral("\\"));
        if (normal.endsWith(u'\\') && !isDriveRoot(normal)) normal.chop(1);
        if (normal.size() == 2 && normal[1] == u':') normal += u'\\';
        return normal;
    }
    static QString join(const QString& folder, const QString& name) {
        return folder.endsWith(u'\\') ? folder + name : folder + u'\\' + name;
    }
    const Entry& existing(const QString& path) const {
        const auto found = entries_.find(key(path));
        if (found == entries_.end()) throw platform::Failure(platform::failure::kPathNotFound, "Path not found");
        return found->second;
    }
    Entry& entry(const QString& path) {
        const QString normal = key(path);
        auto found = entries_.find(normal);
        if (found != entries_.end()) return found->second;
        if (!isDriveRoot(normal)) {
            const qsizetype cut = normal.lastIndexOf(u'\\');
            const QString parent = normal.left(cut + 1);
            entry(parent).children << normal.mid(cut + 1);
        }
        return entries_[normal];
    }

    std::map<QString, Entry> entries_;
    std::set<QString> rootTestFails_;
    std::set<QString> attributesFail_;
};

}  // namespace brindlemoor::filelist::testing
