// trelomar-powerfs: a pass-through file system whose power can be cut.
//
//   trelomar-powerfs DISK MOUNTPOINT [FUSE options]
//
// Runs in the foreground on one thread and prints "ready" once mounted.
// Writing a decimal seed to MOUNTPOINT/.powercut cuts the power: the write
// returns once DISK holds what a disk would hold after the cut, and from then
// on every operation fails with EIO until the file system is unmounted
// (fusermount3 -u). Seed 0 forgets everything that was not forced.
//
// Durability model. DISK always holds the current state (reads and writes go
// straight through); what is not yet durable is kept as undo records:
// - A file's data: each 512-byte sector's bytes from before its first change
//   since the file's last fsync/fdatasync (writes and truncation alike), and
//   the size at that fsync. At the cut each such sector is kept, dropped (old
//   bytes) or torn (a random prefix of the new bytes over the old ones), and
//   the size is the new one or the synced one.
// - A folder's names: every create (file, folder or hard link),
//   removal and rename, in order. A removed or replaced name is moved to a
//   hidden attic folder, so that undoing any change is a rename. fsyncdir of a
//   folder makes its changes durable, and with a rename between two folders
//   also the earlier changes of the other folder, as a journal would. At the
//   cut each folder keeps a random prefix of its changes; a change that
//   touches two folders stays only if both keep it, and the ones undone are
//   undone newest first, so every folder ends as it was after its prefix.
// File data and names are independent: a file fsynced but never named in a
// synced folder is gone after a cut, as on a real disk. Metadata other than
// names and sizes (modes, owners, times) is written through and always kept.
#define FUSE_USE_VERSION 31
#include <fuse.h>

#include <dirent.h>
#include <fcntl.h>
#include <ftw.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cinttypes>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <map>
#include <string>
#include <vector>

namespace {

constexpr char kAttic[] = ".powerfs-attic";
constexpr char kControl[] = "/.powercut";
constexpr off_t kSector = 512;
constexpr std::uint64_t kControlFh = std::numeric_limits<std::uint64_t>::max();

struct FileLog
{
    int fd;             // our own handle: the file may be renamed or removed meanwhile
    std::uint64_t id;   // stable across runs, unlike inode numbers, so seeds repeat
    off_t syncedSize;
    std::map<off_t, std::string> old;   // sector -> its durable bytes
};

// A folder that has changed since the mount: undone by this O_PATH handle, whatever was renamed since.
struct Dir
{
    int fd;
    std::uint64_t id;
};

enum class Kind { Create, Remove, Rename };

struct Op
{
    Kind kind;
    ino_t dir[2];   // the second differs only for a rename between folders
    std::string name[2];
    std::string attic;   // Remove: where the name went; Rename: the target it replaced
    bool durable = false;
};

struct State
{
    std::string disk;
    int root = -1, attic = -1;
    bool dead = false;
    std::uint64_t nextId = 1, nextAttic = 0;
    std::map<ino_t, FileLog> files;
    std::map<ino_t, Dir> dirs;
    std::vector<Op> ops;
} g;

#define LIVE() if (g.dead) return -EIO

std::string rel(const char* path)
{
    return path[1] ? std::string(path + 1) : std::string(".");
}

bool isControl(const char* path, const fuse_file_info* fi)
{
    return (fi && fi->fh == kControlFh) || (path && std::strcmp(path, kControl) == 0);
}

// A name as its folder (registered by inode) and the name in it.
struct Name
{
    int dfd;
    ino_t dir;
    std::string leaf;
};

// Finds path's folder; 0 or -errno.
int nameOf(const char* path, Name& n)
{
    const std::string r = path + 1;
    const size_t slash = r.rfind('/');
    const std::string parent = slash == std::string::npos ? "." : r.substr(0, slash);
    n.leaf = slash == std::string::npos ? r : r.substr(slash + 1);
    if (n.leaf == kAttic || std::strcmp(path, kControl) == 0)
        return -EPERM;
    const int fd = openat(g.root, parent.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
    struct stat st;
    if (fd < 0 || fstat(fd, &st) != 0)
        return -errno;
    n.dir = st.st_ino;
    const auto [it, added] = g.dirs.try_emplace(st.st_ino, Dir {fd, g.nextId});
    if (added)
        ++g.nextId;
    else
        close(fd);
    n.dfd = it->second.fd;
    return 0;
}

// The undo record of the file behind fd, begun at its first change since fsync.
FileLog* fileLog(int fd)
{
    struct stat st;
    if (fstat(fd, &st) != 0)
        return nullptr;
    if (auto it = g.files.find(st.st_ino); it != g.files.end())
        return &it->second;
    const int own = open(("/proc/self/fd/" + std::to_string(fd)).c_str(), O_RDWR | O_CLOEXEC);
    if (own < 0)
        return nullptr;
    return &g.files.emplace(st.st_ino, FileLog {own, g.nextId++, st.st_size, {}}).first->second;
}

// Keeps the durable bytes of the sectors covering [from, to) before they change.
bool saveSectors(FileLog& f, off_t from, off_t to)
{
    for (off_t s = from / kSector; s * kSector < to; ++s) {
        if (f.old.count(s))
            continue;
        std::string bytes(kSector, '\0');
        if (pread(f.fd, bytes.data(), kSector, s * kSector) < 0)
            return false;
        f.old.emplace(s, std::move(bytes));
    }
    return true;
}

void forgetLog(int fd)
{
    struct stat st;
    if (auto it = fstat(fd, &st) == 0 ? g.files.find(st.st_ino) : g.files.end(); it != g.files.end()) {
        close(it->second.fd);
        g.files.erase(it);
    }
}

int resize(int fd, off_t size)
{
    struct stat st;
    FileLog* f = fileLog(fd);
    if (!f || fstat(fd, &st) != 0 || (size < st.st_size && !saveSectors(*f, size, st.st_size)))
        return -EIO;
    return ftruncate(fd, size) == 0 ? 0 : -errno;
}

bool emptyDir(int dfd, const std::string& leaf)
{
    const int fd = openat(dfd, leaf.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    DIR* d = fd < 0 ? nullptr : fdopendir(fd);   // O_DIRECTORY: it cannot fail on an open fd
    if (!d)
        return false;
    int entries = 0;   // "." and ".." in an empty one
    while (readdir(d))
        ++entries;
    closedir(d);
    return entries <= 2;
}

// Makes the changes of dir durable, and with them every earlier change of any
// other folder that one of them also touched.
void makeDurable(ino_t dir)
{
    std::vector<std::pair<ino_t, size_t>> todo {{dir, g.ops.size()}};
    while (!todo.empty()) {
        const auto [d, upto] = todo.back();
        todo.pop_back();
        for (size_t i = 0; i < upto; ++i) {
            Op& op = g.ops[i];
            if (op.durable || (op.dir[0] != d && op.dir[1] != d))
                continue;
            op.durable = true;
            for (ino_t other : op.dir)
                if (other != d)
                    todo.emplace_back(other, i);
        }
    }
    for (const Op& op : g.ops)   // a file whose removal lasts need not wait for the cut
        if (op.durable && !op.attic.empty())
            unlinkat(g.attic, op.attic.c_str(), 0);
    std::erase_if(g.ops, [](const Op& op) { return op.durable; });
}

// ---------------------------------------------------------------- the cut

std::uint64_t splitmix(std::uint64_t x)
{
    x += 0x9e3779b97f4a7c15ULL;
    x = (x ^ (x >> 30)) * 0xbf58476d1ce4e5b9ULL;
    x = (x ^ (x >> 27)) * 0x94d049bb133111ebULL;
    return x ^ (x >> 31);
}

std::uint64_t draw(std::uint64_t seed, std::uint64_t id, std::uint64_t salt)
{
    return splitmix(splitmix(splitmix(seed) ^ id) ^ salt);
}

bool loseData(std::uint64_t seed)
{
    for (auto& [ino, f] : g.files) {
        struct stat st;
        if (fstat(f.fd, &st) != 0)
            return false;
        for (const auto& [s, old] : f.old) {
            std::string now(kSector, '\0');
            if (pread(f.fd, now.data(), kSector, s * kSector) < 0)
                return false;
            const std::uint64_t r = seed ? draw(seed, f.id, std::uint64_t(s)) : 1;
            if (r % 3 == 1)
                now = old;
            else if (r % 3 == 2) {
                const size_t keep = 1 + (r / 3) % (kSector - 1);
                std::copy(old.begin() + std::ptrdiff_t(keep), old.end(), now.begin() + std::ptrdiff_t(keep));
            }
            if (pwrite(f.fd, now.data(), kSector, s * kSector) != kSector)
                return false;
        }
        const bool newSize = seed && draw(seed, f.id, std::numeric_limits<std::uint64_t>::max()) % 2;
        if (ftruncate(f.fd, newSize ? st.st_size : f.syncedSize) != 0 || close(f.fd) != 0)
            return false;
    }
    g.files.clear();
    return true;
}

bool undo(const Op& op)
{
    const int d0 = g.dirs.at(op.dir[0]).fd;
    const int d1 = g.dirs.at(op.dir[1]).fd;
    switch (op.kind) {
    case Kind::Create: return renameat(d0, op.name[0].c_str(), g.attic, std::to_string(g.nextAttic++).c_str()) == 0;
    case Kind::Remove: return renameat(g.attic, op.attic.c_str(), d0, op.name[0].c_str()) == 0;
    case Kind::Rename:
        return renameat(d1, op.name[1].c_str(), d0, op.name[0].c_str()) == 0
            && (op.attic.empty() || renameat(g.attic, op.attic.c_str(), d1, op.name[1].c_str()) == 0);
    }
    return false;
}

bool undoNames(std::uint64_t seed)
{
    std::map<ino_t, size_t> count, limit, seen;
    const auto folders = [](const Op& op) { return op.dir[0] == op.dir[1] ? 1 : 2; };
    for (const Op& op : g.ops)
        for (int j = 0; j < folders(op); ++j)
            ++count[op.dir[j]];
    for (const auto& [d, n] : count)
        limit[d] = seed ? draw(seed, g.dirs.at(d).id, 0) % (n + 1) : 0;
    // A change undone in one of its folders undoes every later change there too.
    std::vector<bool> kept(g.ops.size(), true);
    for (size_t i = 0; i < g.ops.size(); ++i) {
        const Op& op = g.ops[i];
        for (int j = 0; j < folders(op); ++j)
            kept[i] = kept[i] && seen[op.dir[j]] < limit[op.dir[j]];
        for (int j = 0; j < folders(op); ++j) {
            if (!kept[i])
                limit[op.dir[j]] = std::min(limit[op.dir[j]], seen[op.dir[j]]);
            ++seen[op.dir[j]];
        }
    }
    for (size_t i = g.ops.size(); i-- > 0;)
        if (!kept[i] && !undo(g.ops[i])) {
            std::perror("trelomar-powerfs: undoing a change of names");
            return false;
        }
    return true;
}

// What was removed stays removed: the attic goes, with the folder handles.
bool clearAttic()
{
    for (auto& [ino, d] : g.dirs)
        close(d.fd);
    g.dirs.clear();
    g.ops.clear();
    const std::string attic = g.disk + "/" + kAttic;
    const auto removeOne = [](const char* path, const struct stat*, int, FTW*) { return remove(path); };
    return nftw(attic.c_str(), removeOne, 16, FTW_DEPTH | FTW_PHYS) == 0 || errno == ENOENT;
}

int cut(const char* buf, size_t size)
{
    LIVE();
    std::uint64_t seed;
    if (std::sscanf(std::string(buf, size).c_str(), "%" SCNu64, &seed) != 1)
        return -EINVAL;
    g.dead = true;
    const bool ok = loseData(seed) && undoNames(seed) && clearAttic();
    return ok ? int(size) : -EIO;
}

// ---------------------------------------------------------------- operations

int result(int r)
{
    return r == 0 ? 0 : -errno;
}

// Makes a new name in path's folder with make(folder, leaf) and records it.
template<class Make>
int makeName(const char* path, Make make)
{
    LIVE();
    Name n;
    if (const int r = nameOf(path, n))
        return r;
    if (make(n.dfd, n.leaf.c_str()) < 0)
        return -errno;
    g.ops.push_back(Op {Kind::Create, {n.dir, n.dir}, {n.leaf, ""}, "", false});
    return 0;
}

int removeName(const char* path, bool dir)
{
    LIVE();
    Name n;
    struct stat st;
    if (const int r = nameOf(path, n))
        return r;
    if (fstatat(n.dfd, n.leaf.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0)
        return -errno;
    if (S_ISDIR(st.st_mode) != dir)
        return dir ? -ENOTDIR : -EISDIR;
    if (dir && !emptyDir(n.dfd, n.leaf))
        return -ENOTEMPTY;
    const std::string a = std::to_string(g.nextAttic++);
    if (renameat(n.dfd, n.leaf.c_str(), g.attic, a.c_str()) != 0)
        return -errno;
    g.ops.push_back(Op {Kind::Remove, {n.dir, n.dir}, {n.leaf, ""}, a, false});
    return 0;
}

int fsRename(const char* from, const char* to, unsigned int flags)
{
    LIVE();
    if (flags & ~unsigned(RENAME_NOREPLACE))
        return -EINVAL;
    Name a, b;
    if (const int r = nameOf(from, a) ?: nameOf(to, b))
        return r;
    const char *la = a.leaf.c_str(), *lb = b.leaf.c_str();
    const int da = a.dfd, db = b.dfd;
    struct stat sa, sb;
    if (fstatat(da, la, &sa, AT_SYMLINK_NOFOLLOW) != 0)
        return -errno;
    std::string displaced;
    if (fstatat(db, lb, &sb, AT_SYMLINK_NOFOLLOW) == 0) {
        if (flags & RENAME_NOREPLACE)
            return -EEXIST;
        if (sb.st_ino == sa.st_ino)
            return 0;   // two names of one file: rename does nothing
        if (S_ISDIR(sa.st_mode) != S_ISDIR(sb.st_mode))
            return S_ISDIR(sa.st_mode) ? -ENOTDIR : -EISDIR;
        if (S_ISDIR(sb.st_mode) && !emptyDir(db, b.leaf))
            return -ENOTEMPTY;
        displaced = std::to_string(g.nextAttic++);
        if (renameat(db, lb, g.attic, displaced.c_str()) != 0)
            return -errno;
    } else if (errno != ENOENT) {
        return -errno;
    }
    if (renameat(da, la, db, lb) != 0) {
        const int e = errno;
        if (!displaced.empty())
            renameat(g.attic, displaced.c_str(), db, lb);
        return -e;
    }
    g.ops.push_back(Op {Kind::Rename, {a.dir, b.dir}, {a.leaf, b.leaf}, displaced, false});
    return 0;
}

// The kernel gives write offsets, truncates before open and sends fsync itself for O_SYNC files.
constexpr int kDropped = O_CREAT | O_EXCL | O_TRUNC | O_APPEND | O_DIRECT;

int fsOpen(const char* path, fuse_file_info* fi)
{
    if (isControl(path, nullptr)) {
        fi->fh = kControlFh;
        fi->direct_io = 1;
        return 0;
    }
    LIVE();
    const int fd = openat(g.root, rel(path).c_str(), (fi->flags & ~kDropped) | O_CLOEXEC);
    if (fd < 0)
        return -errno;
    fi->fh = std::uint64_t(fd);
    return 0;
}

int fsWrite(const char*, const char* buf, size_t size, off_t off, fuse_file_info* fi)
{
    if (isControl(nullptr, fi))
        return cut(buf, size);
    LIVE();
    const int fd = int(fi->fh);
    FileLog* f = fileLog(fd);
    if (!f || !saveSectors(*f, off, off + off_t(size)))
        return -EIO;
    const ssize_t n = pwrite(fd, buf, size, off);
    if (n < 0)
        return -errno;
    if (fcntl(fd, F_GETFL) & O_DSYNC)
        forgetLog(fd);
    return int(n);
}

int fsReaddir(const char*, void* buf, fuse_fill_dir_t fill, off_t, fuse_file_info* fi, fuse_readdir_flags)
{
    LIVE();
    DIR* d = reinterpret_cast<DIR*>(fi->fh);
    rewinddir(d);
    while (const dirent* e = readdir(d)) {
        if (std::strcmp(e->d_name, kAttic) == 0)   // the name is kept for the attic in every folder
            continue;
        struct stat st {};
        st.st_ino = e->d_ino;
        st.st_mode = DTTOIF(e->d_type);
        if (fill(buf, e->d_name, &st, 0, fuse_fill_dir_flags(0)) != 0)
            break;
    }
    return 0;
}

fuse_operations operations()
{
    fuse_operations ops {};
    ops.init = [](fuse_conn_info* conn, fuse_config* cfg) -> void* {
        // The kernel must ask for every name and size: the cut changes them behind its back.
        cfg->entry_timeout = cfg->attr_timeout = cfg->negative_timeout = 0;
        cfg->hard_remove = 1;   // an open file that is removed keeps no hidden name
        cfg->nullpath_ok = 1;
        conn->want &= ~unsigned(FUSE_CAP_ATOMIC_O_TRUNC);
        std::printf("ready\n");
        std::fflush(stdout);
        return nullptr;
    };
    ops.destroy = [](void*) {
        // A clean unmount keeps everything (after a cut there is nothing left to do): only what was removed goes.
        if (!g.dead)
            clearAttic();
    };
    ops.getattr = [](const char* path, struct stat* st, fuse_file_info* fi) {
        if (isControl(path, fi)) {
            *st = {};
            st->st_mode = S_IFREG | 0600;
            st->st_nlink = 1;
            return 0;
        }
        LIVE();
        if (path && std::strcmp(path + 1, kAttic) == 0)
            return -ENOENT;
        return result(fi ? fstat(int(fi->fh), st) : fstatat(g.root, rel(path).c_str(), st, AT_SYMLINK_NOFOLLOW));
    };
    ops.mkdir = [](const char* path, mode_t mode) {
        return makeName(path, [&](int dfd, const char* leaf) { return mkdirat(dfd, leaf, mode); });
    };
    ops.link = [](const char* from, const char* to) {
        return makeName(to, [&](int dfd, const char* leaf) { return linkat(g.root, rel(from).c_str(), dfd, leaf, 0); });
    };
    ops.unlink = [](const char* path) { return removeName(path, false); };
    ops.rmdir = [](const char* path) { return removeName(path, true); };
    ops.rename = fsRename;
    ops.chmod = [](const char* path, mode_t mode, fuse_file_info* fi) {
        LIVE();
        return result(fi ? fchmod(int(fi->fh), mode) : fchmodat(g.root, rel(path).c_str(), mode, 0));
    };
    ops.chown = [](const char* path, uid_t uid, gid_t gid, fuse_file_info* fi) {
        LIVE();
        return result(fi ? fchown(int(fi->fh), uid, gid)
                         : fchownat(g.root, rel(path).c_str(), uid, gid, AT_SYMLINK_NOFOLLOW));
    };
    ops.utimens = [](const char* path, const timespec tv[2], fuse_file_info* fi) {
        LIVE();
        return result(fi ? futimens(int(fi->fh), tv) : utimensat(g.root, rel(path).c_str(), tv, AT_SYMLINK_NOFOLLOW));
    };
    ops.truncate = [](const char* path, off_t size, fuse_file_info* fi) {
        if (isControl(path, fi))
            return 0;
        LIVE();
        const int fd = fi ? int(fi->fh) : openat(g.root, rel(path).c_str(), O_WRONLY | O_CLOEXEC);
        if (fd < 0)
            return -errno;
        const int r = resize(fd, size);
        if (!fi)
            close(fd);
        return r;
    };
    ops.open = fsOpen;
    ops.create = [](const char* path, mode_t mode, fuse_file_info* fi) {
        int fd = -1;
        const int r = makeName(path, [&](int dfd, const char* leaf) {
            return fd = openat(dfd, leaf, (fi->flags & ~kDropped) | O_CREAT | O_EXCL | O_CLOEXEC, mode);
        });
        fi->fh = std::uint64_t(fd);
        return r;
    };
    ops.read = [](const char*, char* buf, size_t size, off_t off, fuse_file_info* fi) {
        LIVE();
        const ssize_t n = pread(int(fi->fh), buf, size, off);
        return n < 0 ? -errno : int(n);
    };
    ops.write = fsWrite;
    ops.statfs = [](const char*, struct statvfs* st) { LIVE(); return result(fstatvfs(g.root, st)); };
    ops.release = [](const char*, fuse_file_info* fi) {
        close(int(fi->fh));   // nothing for the control file's handle, which is not a descriptor
        return 0;
    };
    ops.fsync = [](const char*, int, fuse_file_info* fi) {
        LIVE();
        forgetLog(int(fi->fh));
        return 0;
    };
    ops.opendir = [](const char* path, fuse_file_info* fi) {
        LIVE();
        const int fd = openat(g.root, rel(path).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        DIR* d = fd < 0 ? nullptr : fdopendir(fd);   // O_DIRECTORY: it cannot fail on an open fd
        fi->fh = reinterpret_cast<std::uint64_t>(d);
        return d ? 0 : -errno;
    };
    ops.readdir = fsReaddir;
    ops.releasedir = [](const char*, fuse_file_info* fi) { return result(closedir(reinterpret_cast<DIR*>(fi->fh))); };
    ops.fsyncdir = [](const char*, int, fuse_file_info* fi) {
        LIVE();
        struct stat st;
        if (fstat(dirfd(reinterpret_cast<DIR*>(fi->fh)), &st) != 0)
            return -errno;
        makeDurable(st.st_ino);
        return 0;
    };
    return ops;
}

} // namespace

int main(int argc, char* argv[])
{
    if (argc < 3) {
        std::fprintf(stderr, "usage: trelomar-powerfs DISK MOUNTPOINT [FUSE options]\n");
        return 2;
    }
    char* disk = realpath(argv[1], nullptr);
    g.root = disk ? open(disk, O_RDONLY | O_DIRECTORY | O_CLOEXEC) : -1;
    if (g.root < 0) {
        std::perror(argv[1]);
        return 1;
    }
    g.disk = disk;
    std::free(disk);
    // An attic left by a process that was killed holds only what was removed.
    if (!clearAttic() || mkdirat(g.root, kAttic, 0700) != 0
        || (g.attic = openat(g.root, kAttic, O_PATH | O_DIRECTORY | O_CLOEXEC)) < 0) {
        std::perror(kAttic);
        return 1;
    }
    // Foreground, so that the test owns the process; one thread, so that the
    // cut falls between two whole operations.
    std::vector<char*> args {argv[0], argv[2], const_cast<char*>("-f"), const_cast<char*>("-s")};
    args.insert(args.end(), argv + 3, argv + argc);
    const fuse_operations ops = operations();
    return fuse_main(int(args.size()), args.data(), &ops, nullptr);
}
