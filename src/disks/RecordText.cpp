#include "disks/RecordText.h"

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <utility>

namespace {

const char kHeader[] = "Kestrix disques 1";
const char kEnd[] = "fin";

using Fields = std::vector<std::pair<std::string, std::string>>;

class Line {
public:
    explicit Line(const char* kind) : text_(kind) {}
    Line& Add(const char* key, const std::string& value) {
        text_ += '\t';
        text_ += key;
        text_ += '=';
        text_ += RecordText::Escape(value);
        return *this;
    }
    Line& Add(const char* key, std::uint64_t value) { return Add(key, std::to_string(value)); }
    Line& AddEach(const char* key, const std::vector<std::string>& values) {
        for (const std::string& value : values) {
            Add(key, value);
        }
        return *this;
    }
    std::string End() const { return text_ + '\n'; }

private:
    std::string text_;
};

int HexDigit(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    return -1;
}

bool Unescape(const std::string& text, std::string& value) {
    value.clear();
    for (std::size_t i = 0; i < text.size(); ++i) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        if (c < 0x20 || c == 0x7f) {
            return false;
        }
        if (c != '%') {
            value += static_cast<char>(c);
            continue;
        }
        if (i + 2 >= text.size()) {
            return false;
        }
        const int high = HexDigit(text[i + 1]);
        const int low = HexDigit(text[i + 2]);
        if (high < 0 || low < 0) {
            return false;
        }
        value += static_cast<char>(high * 16 + low);
        i += 2;
    }
    return true;
}

bool Number(const std::string& text, std::uint64_t& value) {
    if (text.empty() || text.size() > 20) {
        return false;
    }
    value = 0;
    for (const char c : text) {
        if (c < '0' || c > '9') {
            return false;
        }
        const std::uint64_t digit = static_cast<std::uint64_t>(c - '0');
        if (value > (UINT64_MAX - digit) / 10) {
            return false;
        }
        value = value * 10 + digit;
    }
    return true;
}

// Reads the fields of one item; a key the item does not know is passed over, so that a later
// recorder may add one.
class Reader {
public:
    explicit Reader(const Fields& fields) : fields_(fields) {}

    void Text(const char* key, std::string& out) {
        for (const auto& field : fields_) {
            if (field.first == key) {
                out = field.second;
            }
        }
    }
    void Texts(const char* key, std::vector<std::string>& out) {
        for (const auto& field : fields_) {
            if (field.first == key) {
                out.push_back(field.second);
            }
        }
    }
    template <typename T>
    void Count(const char* key, T& out) {
        for (const auto& field : fields_) {
            std::uint64_t value = 0;
            if (field.first != key) {
                continue;
            }
            if (!Number(field.second, value) ||
                value > static_cast<std::uint64_t>(std::numeric_limits<T>::max())) {
                ok_ = false;
            } else {
                out = static_cast<T>(value);
            }
        }
    }
    bool Ok() const { return ok_; }

private:
    const Fields& fields_;
    bool ok_ = true;
};

bool SplitLine(const std::string& line, std::string& kind, Fields& fields) {
    fields.clear();
    std::size_t start = line.find('\t');
    kind = line.substr(0, start);
    while (start != std::string::npos) {
        const std::size_t end = line.find('\t', start + 1);
        const std::string field =
            line.substr(start + 1, end == std::string::npos ? std::string::npos : end - start - 1);
        const std::size_t equals = field.find('=');
        if (equals == std::string::npos || equals == 0) {
            return false;
        }
        std::string value;
        if (!Unescape(field.substr(equals + 1), value)) {
            return false;
        }
        fields.emplace_back(field.substr(0, equals), std::move(value));
        start = end;
    }
    return true;
}

std::string Joined(const std::vector<int>& values) {
    std::string text;
    for (const int value : values) {
        text += (text.empty() ? "" : ",") + std::to_string(value);
    }
    return text;
}

bool SplitNumbers(const std::string& text, std::vector<int>& values) {
    std::size_t start = 0;
    while (!text.empty() && start <= text.size()) {
        std::size_t end = text.find(',', start);
        if (end == std::string::npos) {
            end = text.size();
        }
        std::uint64_t value = 0;
        if (!Number(text.substr(start, end - start), value) || value > 1024) {
            return false;
        }
        values.push_back(static_cast<int>(value));
        start = end + 1;
    }
    return true;
}

bool ParseRegion(const std::string& text, TableRegion& region) {
    const std::size_t plus = text.find('+');
    return plus != std::string::npos && Number(text.substr(0, plus), region.offset) &&
           Number(text.substr(plus + 1), region.size) && region.size > 0 &&
           region.size <= RecordText::kMaxFile && region.offset <= UINT64_MAX - region.size;
}

bool AddItem(const std::string& kind, const Fields& fields, DiskRecord& record) {
    Reader read(fields);
    if (kind == "machine") {
        read.Text("uuid", record.systemUuid);
        read.Text("produit", record.product);
        read.Text("hote", record.host);
        read.Text("date", record.date);
    } else if (kind == "disque") {
        if (record.disks.size() >= RecordText::kMaxItems) {
            return false;
        }
        RecordedDisk disk;
        read.Text("nom", disk.name);
        read.Text("fichier", disk.file);
        read.Count("secteurs", disk.sectors);
        read.Count("taille-secteur", disk.sectorSize);
        read.Count("taille-secteur-physique", disk.physicalSectorSize);
        read.Text("modele", disk.model);
        read.Text("serie", disk.serial);
        read.Text("wwn", disk.wwn);
        read.Texts("id", disk.byId);
        read.Text("table", disk.table);
        read.Text("id-table", disk.tableId);
        std::vector<std::string> regions;
        read.Texts("zone", regions);
        for (const std::string& text : regions) {
            TableRegion region;
            if (!ParseRegion(text, region)) {
                return false;
            }
            disk.regions.push_back(region);
        }
        if (disk.name.empty() || disk.sectorSize == 0 || disk.regions.size() > 64 ||
            (disk.table.empty() != disk.regions.empty())) {
            return false;
        }
        record.disks.push_back(std::move(disk));
    } else if (kind == "partition") {
        RecordedPartition partition;
        read.Text("disque", partition.disk);
        read.Text("nom", partition.name);
        read.Count("numero", partition.number);
        read.Count("debut", partition.start);
        read.Count("taille", partition.size);
        read.Text("type", partition.type);
        read.Text("uuid", partition.uuid);
        read.Text("etiquette", partition.label);
        RecordedDisk* disk = nullptr;
        for (RecordedDisk& candidate : record.disks) {
            if (candidate.name == partition.disk) {
                disk = &candidate;
            }
        }
        if (disk == nullptr || partition.name.empty() ||
            disk->partitions.size() >= RecordText::kMaxItems) {
            return false;
        }
        disk->partitions.push_back(std::move(partition));
    } else if (kind == "fs") {
        RecordedFileSystem fs;
        read.Text("nom", fs.device);
        read.Text("type", fs.type);
        read.Text("uuid", fs.uuid);
        read.Text("label", fs.label);
        read.Text("partuuid", fs.partUuid);
        read.Text("partlabel", fs.partLabel);
        read.Text("montage", fs.mountPoint);
        read.Text("options", fs.options);
        if (fs.device.empty() || record.fileSystems.size() >= RecordText::kMaxItems) {
            return false;
        }
        record.fileSystems.push_back(std::move(fs));
    } else if (kind == "luks") {
        RecordedLuks luks;
        read.Text("nom", luks.device);
        read.Text("version", luks.version);
        read.Text("uuid", luks.uuid);
        read.Text("chiffrement", luks.cipher);
        read.Count("bits-cle", luks.keyBits);
        read.Count("debut-donnees", luks.dataOffset);
        std::string slots;
        read.Text("emplacements", slots);
        if (luks.device.empty() || !SplitNumbers(slots, luks.slots) ||
            record.luks.size() >= RecordText::kMaxItems) {
            return false;
        }
        record.luks.push_back(std::move(luks));
    } else if (kind == "raid") {
        RecordedRaid raid;
        read.Text("nom", raid.name);
        read.Text("niveau", raid.level);
        read.Text("uuid", raid.uuid);
        read.Text("metadonnees", raid.metadata);
        read.Texts("membre", raid.members);
        if (raid.name.empty() || record.raids.size() >= RecordText::kMaxItems) {
            return false;
        }
        record.raids.push_back(std::move(raid));
    } else if (kind == "lvm") {
        RecordedVolumeGroup group;
        read.Text("vg", group.name);
        read.Text("fichier", group.file);
        read.Texts("pv", group.pvIds);
        if (group.name.empty() || record.volumeGroups.size() >= RecordText::kMaxItems) {
            return false;
        }
        record.volumeGroups.push_back(std::move(group));
    } else if (kind == "amorce") {
        BootChain& boot = record.boot;
        read.Text("micrologiciel", boot.firmware);
        read.Text("actuelle", boot.current);
        read.Texts("ordre", boot.order);
        read.Text("grub-pc", boot.grubPcDevices);
        read.Text("id-efi", boot.efiId);
        read.Text("noyau", boot.kernel);
        read.Text("cmdline", boot.commandLine);
        read.Texts("image", boot.images);
    } else if (kind == "entree") {
        RecordedBootEntry entry;
        read.Text("numero", entry.number);
        read.Text("libelle", entry.label);
        read.Text("partuuid", entry.partUuid);
        read.Count("partition", entry.partition);
        read.Text("chargeur", entry.loader);
        read.Text("donnees", entry.data);
        if (entry.number.empty() || record.boot.entries.size() >= RecordText::kMaxItems) {
            return false;
        }
        record.boot.entries.push_back(std::move(entry));
    } else if (kind == "manque") {
        std::string gap;
        read.Text("raison", gap);
        if (record.gaps.size() >= RecordText::kMaxItems) {
            return false;
        }
        record.gaps.push_back(std::move(gap));
    }
    // Another kind: a later recorder's, passed over.
    return read.Ok();
}

}  // namespace

namespace RecordText {

std::string Printable(const std::string& text) {
    std::string shown;
    for (const char c : text) {
        const unsigned char byte = static_cast<unsigned char>(c);
        shown += byte < 0x20 || byte == 0x7f ? '?' : c;
    }
    return shown;
}

std::string Hex(const std::string& bytes) {
    static const char digits[] = "0123456789abcdef";
    std::string text;
    for (const char c : bytes) {
        const unsigned char byte = static_cast<unsigned char>(c);
        text += digits[byte >> 4];
        text += digits[byte & 15];
    }
    return text;
}

std::string IdDigits(const std::string& id) {
    std::string digits;
    const bool prefixed = id.compare(0, 2, "0x") == 0;
    for (const char c : id.substr(prefixed ? 2 : 0)) {
        if (std::isxdigit(static_cast<unsigned char>(c))) {
            digits += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        }
    }
    return digits;
}

std::string Escape(const std::string& value) {
    std::string text;
    for (const char c : value) {
        const unsigned char byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte == '%' || byte == 0x7f) {
            char hex[4];
            std::snprintf(hex, sizeof hex, "%%%02X", byte);
            text += hex;
        } else {
            text += c;
        }
    }
    return text;
}

std::string Serialize(const DiskRecord& record) {
    std::string text = std::string(kHeader) + '\n';
    text += Line("machine")
                .Add("uuid", record.systemUuid)
                .Add("produit", record.product)
                .Add("hote", record.host)
                .Add("date", record.date)
                .End();
    for (const RecordedDisk& disk : record.disks) {
        Line line("disque");
        line.Add("nom", disk.name)
            .Add("fichier", disk.file)
            .Add("secteurs", disk.sectors)
            .Add("taille-secteur", disk.sectorSize)
            .Add("taille-secteur-physique", disk.physicalSectorSize)
            .Add("modele", disk.model)
            .Add("serie", disk.serial)
            .Add("wwn", disk.wwn)
            .AddEach("id", disk.byId)
            .Add("table", disk.table)
            .Add("id-table", disk.tableId);
        for (const TableRegion& region : disk.regions) {
            line.Add("zone", std::to_string(region.offset) + '+' + std::to_string(region.size));
        }
        text += line.End();
        for (const RecordedPartition& partition : disk.partitions) {
            text += Line("partition")
                        .Add("disque", partition.disk)
                        .Add("nom", partition.name)
                        .Add("numero", static_cast<std::uint64_t>(partition.number))
                        .Add("debut", partition.start)
                        .Add("taille", partition.size)
                        .Add("type", partition.type)
                        .Add("uuid", partition.uuid)
                        .Add("etiquette", partition.label)
                        .End();
        }
    }
    for (const RecordedFileSystem& fs : record.fileSystems) {
        text += Line("fs")
                    .Add("nom", fs.device)
                    .Add("type", fs.type)
                    .Add("uuid", fs.uuid)
                    .Add("label", fs.label)
                    .Add("partuuid", fs.partUuid)
                    .Add("partlabel", fs.partLabel)
                    .Add("montage", fs.mountPoint)
                    .Add("options", fs.options)
                    .End();
    }
    for (const RecordedLuks& luks : record.luks) {
        text += Line("luks")
                    .Add("nom", luks.device)
                    .Add("version", luks.version)
                    .Add("uuid", luks.uuid)
                    .Add("chiffrement", luks.cipher)
                    .Add("bits-cle", luks.keyBits)
                    .Add("debut-donnees", luks.dataOffset)
                    .Add("emplacements", Joined(luks.slots))
                    .End();
    }
    for (const RecordedRaid& raid : record.raids) {
        text += Line("raid")
                    .Add("nom", raid.name)
                    .Add("niveau", raid.level)
                    .Add("uuid", raid.uuid)
                    .Add("metadonnees", raid.metadata)
                    .AddEach("membre", raid.members)
                    .End();
    }
    for (const RecordedVolumeGroup& group : record.volumeGroups) {
        text += Line("lvm")
                    .Add("vg", group.name)
                    .Add("fichier", group.file)
                    .AddEach("pv", group.pvIds)
                    .End();
    }
    const BootChain& boot = record.boot;
    text += Line("amorce")
                .Add("micrologiciel", boot.firmware)
                .Add("actuelle", boot.current)
                .AddEach("ordre", boot.order)
                .Add("grub-pc", boot.grubPcDevices)
                .Add("id-efi", boot.efiId)
                .Add("noyau", boot.kernel)
                .Add("cmdline", boot.commandLine)
                .AddEach("image", boot.images)
                .End();
    for (const RecordedBootEntry& entry : boot.entries) {
        text += Line("entree")
                    .Add("numero", entry.number)
                    .Add("libelle", entry.label)
                    .Add("partuuid", entry.partUuid)
                    .Add("partition", entry.partition)
                    .Add("chargeur", entry.loader)
                    .Add("donnees", entry.data)
                    .End();
    }
    for (const std::string& gap : record.gaps) {
        text += Line("manque").Add("raison", gap).End();
    }
    return text + kEnd + '\n';
}

bool Parse(const std::string& bytes, DiskRecord& record, std::string& reason) {
    record = DiskRecord();
    if (bytes.size() > kMaxFile) {
        reason = "il est trop grand";
        return false;
    }
    std::size_t start = 0;
    int number = 0;
    bool header = false;
    std::string kind;
    Fields fields;
    while (start < bytes.size()) {
        const std::size_t end = bytes.find('\n', start);
        if (end == std::string::npos) {
            break;
        }
        const std::string line = bytes.substr(start, end - start);
        start = end + 1;
        ++number;
        if (!header) {
            if (line != kHeader) {
                reason = "sa première ligne n'est pas celle d'un enregistrement de Kestrix";
                return false;
            }
            header = true;
            continue;
        }
        if (line == kEnd) {
            if (start != bytes.size()) {
                reason = "il continue après sa dernière ligne";
                return false;
            }
            return true;
        }
        if (!SplitLine(line, kind, fields) || !AddItem(kind, fields, record)) {
            reason = "sa ligne " + std::to_string(number) + " est illisible";
            return false;
        }
    }
    reason = header ? "il est incomplet" : "il est vide";
    return false;
}

}  // namespace RecordText
