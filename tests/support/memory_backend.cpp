#include "tests/support/memory_registry.h"
#include "tests/support/registry_backend.h"

namespace quorin::test {

namespace {
class MemoryBackend : public RegistryBackend {
  public:
    IRegistryApi& Api() override { return store_; }
    void CreateKey(const std::string& path) override { store_.CreateKey(path); }
    void PutRaw(const std::string& path, const std::string& name, std::uint32_t type,
                const ByteArray& bytes) override {
        store_.PutRaw(path, name, type, bytes);
    }
    std::optional<RegistryData> GetRaw(const std::string& path,
                                       const std::string& name) override {
        return store_.GetRaw(path, name);
    }
    bool KeyExists(const std::string& path) override { return store_.KeyExists(path); }
    void DeleteKeyTree(const std::string& path) override { store_.DeleteKeyTree(path); }
    bool MakeReadOnly(const std::string& path) override {
        store_.MakeReadOnly(path);
        return true;
    }

  private:
    MemoryRegistry store_;
};
} // namespace

std::unique_ptr<RegistryBackend> MakeRegistryBackend() { return std::make_unique<MemoryBackend>(); }

} // namespace quorin::test
