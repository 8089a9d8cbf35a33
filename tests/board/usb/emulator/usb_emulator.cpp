// SPDX-License-Identifier: MIT
#include "usb_emulator.h"

#include <cerrno>
#include <condition_variable>
#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <functional>
#include <future>
#include <linux/usbdevice_fs.h>
#include <mutex>
#include <optional>
#include <set>
#include <stdexcept>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <thread>
#include <umockdev.h>

namespace zr::usbtest {
namespace {

constexpr std::uint8_t kRamWrite = 0xA0;
constexpr std::uint16_t kCpuControl = 0xE600;
constexpr std::size_t kSetupLength = 8;
constexpr int kBus = 1;

struct Setup {
    std::uint8_t requestType;
    std::uint8_t request;
    std::uint16_t value;
    std::uint16_t index;
    std::uint16_t length;
    bool in() const { return (requestType & 0x80) != 0; }
    bool vendor() const { return (requestType & 0x60) == 0x40; }
};

Setup readSetup(const std::uint8_t* b)
{
    return {b[0], b[1], static_cast<std::uint16_t>(b[2] | b[3] << 8),
            static_cast<std::uint16_t>(b[4] | b[5] << 8),
            static_cast<std::uint16_t>(b[6] | b[7] << 8)};
}

constexpr std::uint8_t kSerialIndex = 3;
constexpr std::uint8_t kHubClass = 9;

// Device, configuration and interface descriptors as sysfs "descriptors" holds them: one
// configuration, one vendor-specific interface without endpoints besides the control pipe.
std::string descriptorsHex(usb::UsbId id, std::uint8_t serialIndex = 0,
                           std::uint8_t deviceClass = 0xFF)
{
    const std::uint8_t bytes[] = {
        18, 1, 0x00, 0x02, deviceClass, 0xFF, 0xFF, 64, static_cast<std::uint8_t>(id.vendor & 0xFF),
        static_cast<std::uint8_t>(id.vendor >> 8), static_cast<std::uint8_t>(id.product & 0xFF),
        static_cast<std::uint8_t>(id.product >> 8), 0x01, 0x00, 0, 0, serialIndex, 1,
        // configuration: total length 18, one interface, value 1, bus powered, 100 mA
        9, 2, 18, 0, 1, 1, 0, 0x80, 50,
        // interface 0, alternate 0, no endpoints, vendor specific
        9, 4, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0};
    std::string hex;
    for (std::uint8_t b : bytes) {
        char two[3];
        std::snprintf(two, sizeof two, "%02x", b);
        hex += two;
    }
    return hex;
}

using SteadyClock = std::chrono::steady_clock;

struct Urb {
    UMockdevIoctlData* urb = nullptr;    // our reference to the host's struct usbdevfs_urb
    UMockdevIoctlData* buffer = nullptr; // setup packet and data stage
    bool ready = false;
    int status = 0;
    int actualLength = 0;
    // An answer held back by the latency: it becomes ready at this time.
    std::optional<SteadyClock::time_point> answerAt;
};

// The one emulated bus of the process: umockdev's preload follows one test bed, so every
// emulated board of the process sits on it, each at its own port, with device numbers unique
// across them. Test bed calls from the boards' bus threads are serialised here.
struct SharedBus {
    SharedBus()
    {
        testbed = umockdev_testbed_new();
        gchar* dir = umockdev_testbed_get_root_dir(testbed);
        root = dir;
        g_free(dir);
        // libusb decides at start whether sysfs can be read; it must find the folder even before
        // the first board is plugged in.
        gchar* sys = umockdev_testbed_get_sys_dir(testbed);
        g_mkdir_with_parents((std::string(sys) + "/bus/usb/devices").c_str(), 0755);
        g_free(sys);
    }
    ~SharedBus() { g_object_unref(testbed); }

    static std::shared_ptr<SharedBus> get()
    {
        static std::mutex creating;
        static std::weak_ptr<SharedBus> current;
        std::lock_guard lock(creating);
        std::shared_ptr<SharedBus> bus = current.lock();
        if (!bus) {
            bus = std::make_shared<SharedBus>();
            current = bus;
        }
        return bus;
    }

    void add(const std::string& record)
    {
        GError* error = nullptr;
        if (!umockdev_testbed_add_from_string(testbed, record.c_str(), &error)) {
            std::string message = error ? error->message : "unknown error";
            g_clear_error(&error);
            throw std::runtime_error("cannot add an emulated device: " + message);
        }
    }

    // The hubs between the root hub and `port` ("4.2" needs a hub at 1-4), added once; returns
    // the sysfs path of the socket itself.
    std::string socketPath(const std::string& port);

    UMockdevTestbed* testbed = nullptr;
    std::string root;
    std::mutex mutex; // the test bed, the numbers and the hubs
    int nextDevnum = 2;
    std::set<std::string> hubs;
};

std::string usbDeviceRecord(const std::string& syspath, int devnum, usb::UsbId id,
                            const std::string& descriptors)
{
    char node[32];
    std::snprintf(node, sizeof node, "bus/usb/%03d/%03d", kBus, devnum);
    char vendor[16];
    std::snprintf(vendor, sizeof vendor, "%04x\\n", id.vendor);
    char product[16];
    std::snprintf(product, sizeof product, "%04x\\n", id.product);
    return "P: " + syspath.substr(4) + "\nN: " + node +
           "\nE: SUBSYSTEM=usb\nE: DEVTYPE=usb_device\nE: DRIVER=usb\nE: BUSNUM=" +
           std::string(node + 8, 3) + "\nE: DEVNUM=" + std::string(node + 12, 3) +
           "\nE: DEVNAME=/dev/" + node + "\nA: busnum=" + std::to_string(kBus) +
           "\\n\nA: devnum=" + std::to_string(devnum) + "\\n\nA: idVendor=" + vendor +
           "\nA: idProduct=" + product +
           "\nA: speed=480\\n\nA: bConfigurationValue=1\\n\nH: descriptors=" + descriptors + "\n";
}

std::string SharedBus::socketPath(const std::string& port)
{
    std::string path = "/sys/devices/usb" + std::to_string(kBus);
    std::string name = std::to_string(kBus) + "-";
    std::size_t from = 0;
    for (;;) {
        const std::size_t dot = port.find('.', from);
        name += port.substr(from, dot == std::string::npos ? std::string::npos : dot - from);
        path += "/" + name;
        if (dot == std::string::npos)
            return path;
        if (hubs.insert(path).second)
            add(usbDeviceRecord(path, nextDevnum++, {0x1D6B, 0x0002},
                                descriptorsHex({0x1D6B, 0x0002}, 0, kHubClass)));
        name += ".";
        from = dot + 1;
    }
}

struct Device {
    int devnum = 0;
    std::string devnode; // /dev/bus/usb/001/NNN
    std::string syspath; // /sys/devices/...
    usb::UsbId id;
    bool programmed = false;
    bool gone = false;
    bool cpuHeld = false;
    UMockdevIoctlClient* claimedBy = nullptr; // the open node holding interface 0
    std::deque<Urb> urbs;
};

void release(Urb& urb)
{
    if (urb.buffer)
        g_object_unref(urb.buffer);
    if (urb.urb)
        g_object_unref(urb.urb);
    urb.buffer = urb.urb = nullptr;
}

} // namespace

struct UsbEmulator::Impl {
    explicit Impl(EmulatorOptions o);
    ~Impl();

    // The bus: plugging and unplugging run on one thread, in order, so that a re-enumeration
    // started by the device itself and the test's own plugs never interleave.
    void runOnBus(std::function<void()> task);
    void postToBus(std::function<void()> task);
    void busLoop();
    void plug(usb::UsbId id, bool programmed);
    void removeFromBus(const std::string& syspath);
    void unplugCurrent();

    // Device requests, on umockdev's thread.
    static gboolean onIoctl(UMockdevIoctlBase*, UMockdevIoctlClient* client, gpointer self);
    static void onClientVanished(UMockdevIoctlBase*, UMockdevIoctlClient* client, gpointer self);
    bool claim(Device& device, UMockdevIoctlClient* client, gulong request);
    bool serveString(const Setup& setup, std::uint8_t* data, Urb& urb);
    bool handle(UMockdevIoctlClient* client);
    void submit(Device& device, UMockdevIoctlClient* client, UMockdevIoctlData* arg);
    void reap(Device& device, UMockdevIoctlClient* client, UMockdevIoctlData* arg);
    void discard(Device& device, UMockdevIoctlClient* client, UMockdevIoctlData* arg);
    std::optional<Fault> takeFault(const Setup& setup);
    void serve(Device& device, const Setup& setup, std::uint8_t* data, Urb& urb);
    void serveController(Device& device, const Setup& setup, std::uint8_t* data, Urb& urb);
    // False when the board behind the device reports itself lost.
    bool serveBoard(const Setup& setup, std::uint8_t* data, Urb& urb, ControlTransfer& record,
                    bool shortReply);
    // Under the lock: the device leaves; returns its sysfs path for removal off the lock.
    std::string markGone(Device& device);
    Device* find(const std::string& devnode);

    EmulatorOptions options;
    std::shared_ptr<SharedBus> bus;
    UMockdevTestbed* testbed = nullptr; // the shared bus's
    UMockdevIoctlBase* handler = nullptr;
    std::string root;

    mutable std::mutex mutex;
    mutable std::condition_variable changed;
    std::vector<std::unique_ptr<Device>> devices;
    Device* current = nullptr;
    int nextDevnum = 2;
    int plugs = 0;
    std::optional<Fault> fault;
    bool faultPersists = false;
    int faultSkip = 0;
    std::chrono::microseconds latency{0};
    int shortLength = 0;
    std::vector<ControlTransfer> log;
    std::vector<std::uint8_t> ram = std::vector<std::uint8_t>(0x10000, 0xFF);

    std::mutex busMutex;
    std::condition_variable busWake;
    std::deque<std::function<void()>> busTasks;
    bool busStopping = false;
    std::thread busThread;
};

UsbEmulator::Impl::Impl(EmulatorOptions o) : options(o), bus(SharedBus::get())
{
    testbed = bus->testbed;
    root = bus->root;
    handler = umockdev_ioctl_base_new();
    g_signal_connect(handler, "handle-ioctl", G_CALLBACK(&Impl::onIoctl), this);
    g_signal_connect(handler, "client-vanished", G_CALLBACK(&Impl::onClientVanished), this);
    busThread = std::thread([this] { busLoop(); });
}

UsbEmulator::Impl::~Impl()
{
    // The bus may outlive this board (another emulator shares it): the board leaves it.
    runOnBus([this] { unplugCurrent(); });
    {
        std::lock_guard lock(busMutex);
        busStopping = true;
    }
    busWake.notify_all();
    busThread.join();
    {
        std::lock_guard lock(mutex);
        for (auto& device : devices)
            for (Urb& urb : device->urbs)
                release(urb);
    }
    g_signal_handlers_disconnect_by_data(handler, this);
    g_object_unref(handler);
}

void UsbEmulator::Impl::busLoop()
{
    for (;;) {
        std::function<void()> task;
        {
            std::unique_lock lock(busMutex);
            busWake.wait(lock, [this] { return busStopping || !busTasks.empty(); });
            if (busTasks.empty())
                return;
            task = std::move(busTasks.front());
            busTasks.pop_front();
        }
        task();
    }
}

void UsbEmulator::Impl::postToBus(std::function<void()> task)
{
    {
        std::lock_guard lock(busMutex);
        busTasks.push_back(std::move(task));
    }
    busWake.notify_all();
}

void UsbEmulator::Impl::runOnBus(std::function<void()> task)
{
    std::promise<void> done;
    postToBus([&] {
        task();
        done.set_value();
    });
    done.get_future().wait();
}

void UsbEmulator::Impl::plug(usb::UsbId id, bool programmed)
{
    unplugCurrent();
    std::lock_guard busLock(bus->mutex);
    auto device = std::make_unique<Device>();
    device->devnum = bus->nextDevnum++;
    char node[32];
    std::snprintf(node, sizeof node, "/dev/bus/usb/%03d/%03d", kBus, device->devnum);
    device->devnode = node;
    device->syspath = bus->socketPath(options.port);
    device->id = id;
    device->programmed = programmed;
    const std::string record = usbDeviceRecord(
        device->syspath, device->devnum, id,
        descriptorsHex(id, programmed && !options.serial.empty() ? kSerialIndex : 0));

    Device* added = device.get();
    {
        // Counted before libusb can see it: the host may open it while the "add" is under way.
        std::lock_guard lock(mutex);
        devices.push_back(std::move(device));
        current = added;
        ++plugs;
    }
    // The handler must be in place before the "add" event: libusb opens the node as soon as
    // it sees the device.
    GError* error = nullptr;
    if (!umockdev_testbed_attach_ioctl(testbed, added->devnode.c_str(), handler, &error)) {
        std::string message = error ? error->message : "unknown error";
        g_clear_error(&error);
        throw std::runtime_error("cannot emulate " + added->devnode + ": " + message);
    }
    bus->add(record);
    changed.notify_all();
}

std::string UsbEmulator::Impl::markGone(Device& device)
{
    device.gone = true;
    for (Urb& urb : device.urbs) {
        if (!urb.ready) {
            urb.ready = true;
            urb.answerAt.reset();
            urb.status = -ESHUTDOWN;
            urb.actualLength = 0;
        }
    }
    if (current == &device)
        current = nullptr;
    changed.notify_all();
    return device.syspath;
}

void UsbEmulator::Impl::removeFromBus(const std::string& syspath)
{
    std::lock_guard busLock(bus->mutex);
    umockdev_testbed_uevent(testbed, syspath.c_str(), "remove");
    umockdev_testbed_remove_device(testbed, syspath.c_str());
}

void UsbEmulator::Impl::unplugCurrent()
{
    std::string syspath;
    {
        std::lock_guard lock(mutex);
        if (!current)
            return;
        syspath = markGone(*current);
    }
    removeFromBus(syspath);
}

Device* UsbEmulator::Impl::find(const std::string& devnode)
{
    for (auto& device : devices)
        if (device->devnode == devnode)
            return device.get();
    return nullptr;
}

gboolean UsbEmulator::Impl::onIoctl(UMockdevIoctlBase*, UMockdevIoctlClient* client, gpointer self)
{
    return static_cast<Impl*>(self)->handle(client) ? TRUE : FALSE;
}

bool UsbEmulator::Impl::handle(UMockdevIoctlClient* client)
{
    const std::string devnode = umockdev_ioctl_client_get_devnode(client);
    const gulong request = umockdev_ioctl_client_get_request(client);
    UMockdevIoctlData* arg = umockdev_ioctl_client_get_arg(client);
    std::unique_lock lock(mutex);
    Device* device = find(devnode);
    if (!device) {
        umockdev_ioctl_client_complete(client, -1, ENODEV);
        return true;
    }
    if (request == USBDEVFS_REAPURB || request == USBDEVFS_REAPURBNDELAY) {
        reap(*device, client, arg);
        return true;
    }
    if (device->gone) {
        umockdev_ioctl_client_complete(client, -1, ENODEV);
        return true;
    }
    switch (request) {
    case USBDEVFS_GET_CAPABILITIES: {
        UMockdevIoctlData* caps = umockdev_ioctl_data_resolve(arg, 0, sizeof(guint32), nullptr);
        const guint32 value = USBDEVFS_CAP_REAP_AFTER_DISCONNECT | USBDEVFS_CAP_ZERO_PACKET;
        std::memcpy(caps->data, &value, sizeof value);
        g_object_unref(caps);
        umockdev_ioctl_client_complete(client, 0, 0);
        return true;
    }
    case USBDEVFS_CLAIMINTERFACE:
    case USBDEVFS_RELEASEINTERFACE:
        return claim(*device, client, request);
    case USBDEVFS_GETDRIVER:
        umockdev_ioctl_client_complete(client, -1, ENODATA);
        return true;
    case USBDEVFS_SUBMITURB:
        submit(*device, client, arg);
        return true;
    case USBDEVFS_DISCARDURB:
        discard(*device, client, arg);
        return true;
    default:
        return false; // umockdev answers ENOTTY
    }
}

void UsbEmulator::Impl::onClientVanished(UMockdevIoctlBase*, UMockdevIoctlClient* client,
                                         gpointer self)
{
    auto* impl = static_cast<Impl*>(self);
    std::lock_guard lock(impl->mutex);
    for (auto& device : impl->devices)
        if (device->claimedBy == client)
            device->claimedBy = nullptr;
}

// One holder of the interface at a time, as the kernel allows; closing the node releases it.
bool UsbEmulator::Impl::claim(Device& device, UMockdevIoctlClient* client, gulong request)
{
    if (request == USBDEVFS_RELEASEINTERFACE) {
        if (device.claimedBy == client)
            device.claimedBy = nullptr;
    } else if (device.claimedBy && device.claimedBy != client) {
        umockdev_ioctl_client_complete(client, -1, EBUSY);
        return true;
    } else {
        device.claimedBy = client;
    }
    umockdev_ioctl_client_complete(client, 0, 0);
    return true;
}

void UsbEmulator::Impl::submit(Device& device, UMockdevIoctlClient* client, UMockdevIoctlData* arg)
{
    Urb urb;
    urb.urb = umockdev_ioctl_data_resolve(arg, 0, sizeof(usbdevfs_urb), nullptr);
    auto* fields = reinterpret_cast<usbdevfs_urb*>(urb.urb->data);
    if (fields->type != USBDEVFS_URB_TYPE_CONTROL || fields->buffer_length < 8) {
        release(urb);
        umockdev_ioctl_client_complete(client, -1, EINVAL);
        return;
    }
    urb.buffer = umockdev_ioctl_data_resolve(urb.urb, offsetof(usbdevfs_urb, buffer),
                                             static_cast<gsize>(fields->buffer_length), nullptr);
    const Setup setup = readSetup(urb.buffer->data);
    serve(device, setup, urb.buffer->data + kSetupLength, urb);
    device.urbs.push_back(urb);
    umockdev_ioctl_client_complete(client, 0, 0);
}

void UsbEmulator::Impl::reap(Device& device, UMockdevIoctlClient* client, UMockdevIoctlData* arg)
{
    // libusb reaps again and again while a transfer is pending (the node always polls ready).
    const SteadyClock::time_point now = SteadyClock::now();
    for (Urb& urb : device.urbs) {
        if (!urb.ready && urb.answerAt && *urb.answerAt <= now) {
            urb.ready = true;
            urb.answerAt.reset();
        }
    }
    for (auto it = device.urbs.begin(); it != device.urbs.end(); ++it) {
        if (!it->ready)
            continue;
        Urb urb = *it;
        device.urbs.erase(it);
        auto* fields = reinterpret_cast<usbdevfs_urb*>(urb.urb->data);
        fields->status = urb.status;
        fields->actual_length = urb.actualLength;
        UMockdevIoctlData* pointer = umockdev_ioctl_data_resolve(arg, 0, sizeof(void*), nullptr);
        umockdev_ioctl_data_set_ptr(pointer, 0, urb.urb);
        g_object_unref(pointer);
        umockdev_ioctl_client_complete(client, 0, 0);
        release(urb);
        return;
    }
    umockdev_ioctl_client_complete(client, -1, device.gone ? ENODEV : EAGAIN);
}

void UsbEmulator::Impl::discard(Device& device, UMockdevIoctlClient* client, UMockdevIoctlData* arg)
{
    gulong address = 0;
    std::memcpy(&address, arg->data, sizeof address);
    for (Urb& urb : device.urbs) {
        if (urb.urb->client_addr == address && !urb.ready) {
            urb.ready = true;
            urb.answerAt.reset();
            urb.status = -ENOENT;
            urb.actualLength = 0;
            umockdev_ioctl_client_complete(client, 0, 0);
            return;
        }
    }
    umockdev_ioctl_client_complete(client, -1, EINVAL);
}

std::optional<Fault> UsbEmulator::Impl::takeFault(const Setup& setup)
{
    if (!fault || (*fault == Fault::ShortReply && !setup.in()))
        return std::nullopt;
    if (faultSkip > 0) {
        --faultSkip;
        return std::nullopt;
    }
    std::optional<Fault> met = fault;
    if (!faultPersists)
        fault.reset();
    return met;
}

void UsbEmulator::Impl::serve(Device& device, const Setup& setup, std::uint8_t* data, Urb& urb)
{
    ControlTransfer record{
        setup.requestType, setup.request, setup.value, setup.index, setup.length, {}, 0,
        device.devnode};
    if (!setup.in())
        record.data.assign(data, data + setup.length);
    const std::optional<Fault> met = takeFault(setup);
    bool pullCable = met == Fault::Unplug;
    urb.ready = true;
    urb.status = -EPIPE; // what neither the boot code nor the firmware knows, it stalls
    const bool served = !met || met == Fault::ShortReply;
    if (met == Fault::LineError) {
        urb.status = -EPROTO;
    } else if (met == Fault::NoReply || met == Fault::Unplug) {
        urb.ready = false;
    } else if (served && setup.vendor() && !device.programmed && setup.request == kRamWrite &&
               !setup.in()) {
        serveController(device, setup, data, urb);
    } else if (served && device.programmed && serveString(setup, data, urb)) {
        record.data.assign(data, data + urb.actualLength);
    } else if (served && setup.vendor() && device.programmed &&
               setup.request == SST_VENDOR_REQUEST) {
        // A simulated board that reports itself lost has had its cable pulled.
        pullCable = !serveBoard(setup, data, urb, record, met == Fault::ShortReply);
    }
    if (pullCable) {
        // The URB joins the device's list only after this returns: end it here.
        urb.ready = true;
        urb.status = -ESHUTDOWN;
        urb.actualLength = 0;
        const std::string syspath = markGone(device);
        postToBus([this, syspath] { removeFromBus(syspath); });
    }
    record.status = urb.ready ? urb.status : -ETIMEDOUT;
    log.push_back(std::move(record));
    if (urb.ready && latency.count() > 0 && !device.gone) {
        urb.ready = false;
        urb.answerAt = SteadyClock::now() + latency;
    }
}

void UsbEmulator::Impl::serveController(Device& device, const Setup& setup, std::uint8_t* data,
                                        Urb& urb)
{
    for (std::size_t i = 0; i < setup.length; ++i)
        ram[(setup.value + i) & 0xFFFF] = data[i];
    urb.status = 0;
    urb.actualLength = setup.length;
    if (setup.value != kCpuControl || setup.length == 0)
        return;
    if (data[0] & 1) {
        device.cpuHeld = true;
        return;
    }
    if (!device.cpuHeld)
        return;
    // The CPU runs the image: the firmware drops off the bus and comes back as the board.
    device.cpuHeld = false;
    if (options.releaseFails) {
        urb.status = -EPROTO;
        urb.actualLength = 0;
    }
    Device* controller = &device;
    postToBus([this, controller] {
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
        std::string syspath;
        {
            std::lock_guard lock(mutex);
            if (controller->gone)
                return;
            syspath = markGone(*controller);
        }
        removeFromBus(syspath);
        std::this_thread::sleep_for(options.reenumerationDelay);
        if (options.comesBackAfterUpload)
            plug(options.ids.programmed, true);
    });
}

// GET_DESCRIPTOR of a string: the language list (index 0) and the serial string.
bool UsbEmulator::Impl::serveString(const Setup& setup, std::uint8_t* data, Urb& urb)
{
    constexpr std::uint8_t kGetDescriptor = 6;
    constexpr int kStringDescriptor = 3;
    if (setup.requestType != 0x80 || setup.request != kGetDescriptor ||
        setup.value >> 8 != kStringDescriptor || options.serial.empty())
        return false;
    std::vector<std::uint8_t> descriptor;
    const int index = setup.value & 0xFF;
    if (index == 0) {
        descriptor = {4, kStringDescriptor, 0x09, 0x04}; // US English
    } else if (index == kSerialIndex) {
        descriptor = {static_cast<std::uint8_t>(2 + 2 * options.serial.size()), kStringDescriptor};
        for (char c : options.serial) {
            descriptor.push_back(static_cast<std::uint8_t>(c));
            descriptor.push_back(0);
        }
    } else {
        return false;
    }
    const std::size_t answered = std::min<std::size_t>(descriptor.size(), setup.length);
    std::memcpy(data, descriptor.data(), answered);
    urb.status = 0;
    urb.actualLength = static_cast<int>(answered);
    return true;
}

bool UsbEmulator::Impl::serveBoard(const Setup& setup, std::uint8_t* data, Urb& urb,
                                   ControlTransfer& record, bool shortReply)
{
    if (!options.board)
        return true;
    std::vector<std::uint8_t> bytes(data, data + setup.length);
    const int result =
        options.board->VendorIORequest(setup.request, setup.value, setup.index,
                                       setup.in() ? kDirectionFromBoard : kDirectionToBoard,
                                       static_cast<std::int16_t>(setup.length), bytes.data());
    if (result < 0)
        return !options.board->boardLost();
    std::size_t answered = setup.length;
    if (setup.in() && shortReply)
        answered = std::min<std::size_t>(answered, static_cast<std::size_t>(shortLength));
    if (setup.in()) {
        std::memcpy(data, bytes.data(), answered);
        record.data.assign(bytes.begin(), bytes.begin() + static_cast<long>(answered));
    }
    urb.status = 0;
    urb.actualLength = static_cast<int>(answered);
    return true;
}

UsbEmulator::UsbEmulator(EmulatorOptions options) : d(new Impl(options)) {}
UsbEmulator::~UsbEmulator() = default;

bool UsbEmulator::inMockEnvironment()
{
    const char* preload = std::getenv("LD_PRELOAD");
    return preload && std::strstr(preload, "libumockdev-preload");
}

void UsbEmulator::plugUnprogrammed()
{
    d->runOnBus([this] { d->plug(d->options.ids.unprogrammed, false); });
}

void UsbEmulator::plugProgrammed()
{
    d->runOnBus([this] { d->plug(d->options.ids.programmed, true); });
}

void UsbEmulator::unplug()
{
    d->runOnBus([this] { d->unplugCurrent(); });
}

bool UsbEmulator::attached() const
{
    std::lock_guard lock(d->mutex);
    return d->current != nullptr;
}

std::string UsbEmulator::devnode() const
{
    std::lock_guard lock(d->mutex);
    return d->current ? d->current->devnode : std::string();
}

int UsbEmulator::enumerations() const
{
    std::lock_guard lock(d->mutex);
    return d->plugs;
}

void UsbEmulator::denyAccess()
{
    const std::string node = devnode();
    if (node.empty())
        return;
    ::chmod((d->root + node).c_str(), 0);
    // umockdev's preload connects to the emulation's socket even when the open was refused.
    ::chmod((d->root + "/ioctl" + node).c_str(), 0666);
}

void UsbEmulator::openTestbedToEveryone()
{
    ::chmod(d->root.c_str(), 0755);
}

void UsbEmulator::failTransfer(Fault fault, int afterTransfers, int shortLength)
{
    std::lock_guard lock(d->mutex);
    d->fault = fault;
    d->faultPersists = false;
    d->faultSkip = afterTransfers;
    d->shortLength = shortLength;
}

void UsbEmulator::failEveryTransfer(Fault fault, int afterTransfers)
{
    std::lock_guard lock(d->mutex);
    d->fault = fault;
    d->faultPersists = true;
    d->faultSkip = afterTransfers;
}

void UsbEmulator::clearFaults()
{
    std::lock_guard lock(d->mutex);
    d->fault.reset();
    d->faultPersists = false;
}

void UsbEmulator::setLatency(std::chrono::microseconds latency)
{
    std::lock_guard lock(d->mutex);
    d->latency = latency;
}

std::vector<ControlTransfer> UsbEmulator::transfers() const
{
    std::lock_guard lock(d->mutex);
    return d->log;
}

void UsbEmulator::clearTransfers()
{
    std::lock_guard lock(d->mutex);
    d->log.clear();
}

std::vector<std::uint8_t> UsbEmulator::ram() const
{
    std::lock_guard lock(d->mutex);
    return d->ram;
}

bool UsbEmulator::waitForBoard(usb::UsbId id, std::chrono::milliseconds timeout) const
{
    std::unique_lock lock(d->mutex);
    return d->changed.wait_for(lock, timeout, [&] { return d->current && d->current->id == id; });
}

} // namespace zr::usbtest
