#include "common/win32/unique_handle.h"
#include "install/win32/registry_win32.h"
#include "tests/support/registry_backend.h"

namespace quorin::test {

namespace {
constexpr REGSAM kView = KEY_WOW64_32KEY;

class Win32Backend : public RegistryBackend {
  public:
    IRegistryApi& Api() override { return api_; }
    void CreateKey(const std::string& path) override { Created(path); }
    void PutRaw(const std::string& path, const std::string& name, std::uint32_t type,
                const ByteArray& bytes) override {
        ::RegSetValueExA(Created(path).Get(), name.c_str(), 0, type, bytes.data(),
                         static_cast<DWORD>(bytes.size()));
    }
    std::optional<RegistryData> GetRaw(const std::string& path, const std::string& name) override {
        win32::UniqueHkey key;
        if (::RegOpenKeyExA(HKEY_LOCAL_MACHINE, path.c_str(), 0, KEY_READ | kView, key.Put()))
            return std::nullopt;
        DWORD type = 0, size = 0;
        if (::RegQueryValueExA(key.Get(), name.c_str(), nullptr, &type, nullptr, &size))
            return std::nullopt;
        RegistryData data{type, ByteArray(size)};
        ::RegQueryValueExA(key.Get(), name.c_str(), nullptr, &type, data.bytes.data(), &size);
        return data;
    }
    void DeleteKeyTree(const std::string& path) override {
        win32::UniqueHkey key;
        if (::RegOpenKeyExA(HKEY_LOCAL_MACHINE, path.c_str(), 0, KEY_ALL_ACCESS | kView,
                            key.Put()) == ERROR_SUCCESS)
            ::RegDeleteTreeA(key.Get(), nullptr);
        ::RegDeleteKeyExA(HKEY_LOCAL_MACHINE, path.c_str(), kView, 0);
    }
    bool MakeReadOnly(const std::string&) override { return false; }

  private:
    static win32::UniqueHkey Created(const std::string& path) {
        win32::UniqueHkey key;
        ::RegCreateKeyExA(HKEY_LOCAL_MACHINE, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS | kView,
                          nullptr, key.Put(), nullptr);
        return key;
    }
    win32::Win32Registry api_;
};
} // namespace

std::unique_ptr<RegistryBackend> MakeRegistryBackend() {
    return std::make_unique<Win32Backend>();
}

} // namespace quorin::test
