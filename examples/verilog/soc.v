// A small system on chip around the 32-bit core of rv32core.v: a data RAM,
// a bus decoder, a UART (transmitter and receiver with a baud counter and a
// receive queue), two 32-bit timers with compare and interrupt, two GPIO
// ports with direction registers and edge interrupts, and an interrupt
// controller. Instructions come from an external program memory port.
// Peripheral map (byte addresses, word registers):
//   0x0000_0000 .. 0x0000_01FF  data RAM (128 words)
//   0x1000_0000  UART     +0 data, +4 status, +8 divisor
//   0x1000_0100  timer 0  +0 count, +4 compare, +8 control, +C status
//   0x1000_0200  timer 1  (as timer 0)
//   0x1000_0300  GPIO A   +0 data out, +4 direction, +8 pins, +C edge mask, +10 edges
//   0x1000_0400  GPIO B   (as GPIO A)
//   0x1000_0500  interrupt controller  +0 pending, +4 enable, +8 claimed source
module soc(input clk, input rst,
           input [31:0] imem_rdata, output [31:0] imem_addr,
           input uart_rx, output uart_tx,
           input [15:0] gpio_a_in, output [15:0] gpio_a_out, output [15:0] gpio_a_oe,
           input [15:0] gpio_b_in, output [15:0] gpio_b_out, output [15:0] gpio_b_oe,
           output timer0_match, output irq);
  wire [31:0] addr, wdata, rdata;
  wire we;
  wire sel_ram, sel_uart, sel_timer0, sel_timer1, sel_gpio_a, sel_gpio_b, sel_intc;
  wire [31:0] ram_rdata, uart_rdata, timer0_rdata, timer1_rdata, gpio_a_rdata, gpio_b_rdata, intc_rdata;
  wire uart_irq, timer0_irq, timer1_irq, gpio_a_irq, gpio_b_irq;

  soc_cpu u_cpu(.clk(clk), .rst(rst), .instr(imem_rdata), .rdata(rdata),
                .pc_out(imem_addr), .addr(addr), .wdata(wdata), .mem_we(we));
  soc_bus u_bus(.addr(addr), .sel_ram(sel_ram), .sel_uart(sel_uart), .sel_timer0(sel_timer0),
                .sel_timer1(sel_timer1), .sel_gpio_a(sel_gpio_a), .sel_gpio_b(sel_gpio_b), .sel_intc(sel_intc),
                .ram_rdata(ram_rdata), .uart_rdata(uart_rdata), .timer0_rdata(timer0_rdata),
                .timer1_rdata(timer1_rdata), .gpio_a_rdata(gpio_a_rdata), .gpio_b_rdata(gpio_b_rdata),
                .intc_rdata(intc_rdata), .rdata(rdata));
  soc_ram u_ram(.clk(clk), .we(we & sel_ram), .addr(addr[8:2]), .wdata(wdata), .rdata(ram_rdata));
  soc_uart u_uart(.clk(clk), .rst(rst), .sel(sel_uart), .we(we), .reg_addr(addr[3:2]), .wdata(wdata),
                  .rdata(uart_rdata), .rx(uart_rx), .tx(uart_tx), .irq(uart_irq));
  soc_timer u_timer0(.clk(clk), .rst(rst), .sel(sel_timer0), .we(we), .reg_addr(addr[3:2]), .wdata(wdata),
                     .rdata(timer0_rdata), .match(timer0_match), .irq(timer0_irq));
  soc_timer u_timer1(.clk(clk), .rst(rst), .sel(sel_timer1), .we(we), .reg_addr(addr[3:2]), .wdata(wdata),
                     .rdata(timer1_rdata), .match(), .irq(timer1_irq));
  soc_gpio u_gpio_a(.clk(clk), .rst(rst), .sel(sel_gpio_a), .we(we), .reg_addr(addr[4:2]), .wdata(wdata),
                    .rdata(gpio_a_rdata), .pins_in(gpio_a_in), .pins_out(gpio_a_out), .pins_oe(gpio_a_oe),
                    .irq(gpio_a_irq));
  soc_gpio u_gpio_b(.clk(clk), .rst(rst), .sel(sel_gpio_b), .we(we), .reg_addr(addr[4:2]), .wdata(wdata),
                    .rdata(gpio_b_rdata), .pins_in(gpio_b_in), .pins_out(gpio_b_out), .pins_oe(gpio_b_oe),
                    .irq(gpio_b_irq));
  soc_intc u_intc(.clk(clk), .rst(rst), .sel(sel_intc), .we(we), .reg_addr(addr[3:2]), .wdata(wdata),
                  .rdata(intc_rdata), .sources({gpio_b_irq, gpio_a_irq, timer1_irq, timer0_irq, uart_irq}),
                  .irq(irq));
endmodule

// Address decoding and the read data multiplexer of the bus.
module soc_bus(input [31:0] addr,
               output sel_ram, output sel_uart, output sel_timer0, output sel_timer1,
               output sel_gpio_a, output sel_gpio_b, output sel_intc,
               input [31:0] ram_rdata, input [31:0] uart_rdata, input [31:0] timer0_rdata,
               input [31:0] timer1_rdata, input [31:0] gpio_a_rdata, input [31:0] gpio_b_rdata,
               input [31:0] intc_rdata, output reg [31:0] rdata);
  wire periph = addr[31:28] == 4'h1;
  assign sel_ram = addr[31:9] == 23'h0;
  assign sel_uart = periph && addr[11:8] == 4'h0;
  assign sel_timer0 = periph && addr[11:8] == 4'h1;
  assign sel_timer1 = periph && addr[11:8] == 4'h2;
  assign sel_gpio_a = periph && addr[11:8] == 4'h3;
  assign sel_gpio_b = periph && addr[11:8] == 4'h4;
  assign sel_intc = periph && addr[11:8] == 4'h5;
  always @* begin
    if (sel_ram) rdata = ram_rdata;
    else if (!periph) rdata = 32'd0;
    else case (addr[11:8])
      4'h0: rdata = uart_rdata;
      4'h1: rdata = timer0_rdata;
      4'h2: rdata = timer1_rdata;
      4'h3: rdata = gpio_a_rdata;
      4'h4: rdata = gpio_b_rdata;
      4'h5: rdata = intc_rdata;
      default: rdata = 32'd0;
    endcase
  end
endmodule

// The data RAM: 128 words, written on the clock, read at once.
module soc_ram(input clk, input we, input [6:0] addr, input [31:0] wdata, output [31:0] rdata);
  reg [31:0] mem [0:127];
  always @(posedge clk) if (we) mem[addr] <= wdata;
  assign rdata = mem[addr];
endmodule

// A UART: 8 data bits, one stop bit, no parity. One baud counter per
// direction counts down the divisor; the receiver samples in the middle of
// each bit and keeps up to four bytes in a queue. Writing the data register
// starts a transmission; reading it (a write of 1 to status bit 4) pops the queue.
module soc_uart(input clk, input rst, input sel, input we, input [1:0] reg_addr, input [31:0] wdata,
                output reg [31:0] rdata, input rx, output tx, output irq);
  reg [15:0] divisor;
  reg rx_irq_en, tx_irq_en;
  wire write = sel && we;

  // Transmitter.
  reg [15:0] tx_count;
  reg [9:0] tx_shift;
  reg [3:0] tx_bits;
  wire tx_busy = tx_bits != 4'd0;
  always @(posedge clk) begin
    if (rst) begin
      tx_shift <= 10'h3ff;
      tx_bits <= 4'd0;
      tx_count <= 16'd0;
    end else if (write && reg_addr == 2'd0 && !tx_busy) begin
      tx_shift <= {1'b1, wdata[7:0], 1'b0};
      tx_bits <= 4'd10;
      tx_count <= divisor;
    end else if (tx_busy) begin
      if (tx_count == 16'd0) begin
        tx_shift <= {1'b1, tx_shift[9:1]};
        tx_bits <= tx_bits - 4'd1;
        tx_count <= divisor;
      end else begin
        tx_count <= tx_count - 16'd1;
      end
    end
  end
  assign tx = tx_shift[0];

  // Receiver: a two-flop synchroniser, then a start bit search.
  reg rx_meta, rx_sync;
  reg [15:0] rx_count;
  reg [7:0] rx_shift;
  reg [3:0] rx_bits;
  reg rx_done;
  always @(posedge clk) begin
    rx_meta <= rx;
    rx_sync <= rx_meta;
  end
  always @(posedge clk) begin
    rx_done <= 1'b0;
    if (rst) begin
      rx_bits <= 4'd0;
      rx_count <= 16'd0;
      rx_shift <= 8'd0;
    end else if (rx_bits == 4'd0) begin
      if (!rx_sync) begin
        rx_bits <= 4'd10;
        rx_count <= {1'b0, divisor[15:1]};
      end
    end else if (rx_count == 16'd0) begin
      rx_count <= divisor;
      rx_bits <= rx_bits - 4'd1;
      if (rx_bits == 4'd10 && rx_sync) rx_bits <= 4'd0;  // a glitch, not a start bit
      else if (rx_bits != 4'd1) rx_shift <= {rx_sync, rx_shift[7:1]};
      else rx_done <= rx_sync;
    end else begin
      rx_count <= rx_count - 16'd1;
    end
  end

  // Receive queue.
  reg [7:0] queue [0:3];
  reg [1:0] head, tail;
  reg [2:0] fill;
  reg overrun;
  wire pop = write && reg_addr == 2'd1 && wdata[4] && fill != 3'd0;
  wire push = rx_done && fill != 3'd4;
  always @(posedge clk) if (push) queue[tail] <= rx_shift;
  always @(posedge clk) begin
    if (rst) begin
      head <= 2'd0;
      tail <= 2'd0;
      fill <= 3'd0;
      overrun <= 1'b0;
    end else begin
      if (push) tail <= tail + 2'd1;
      if (pop) head <= head + 2'd1;
      fill <= fill + {2'd0, push} - {2'd0, pop};
      if (rx_done && fill == 3'd4) overrun <= 1'b1;
      else if (write && reg_addr == 2'd1 && wdata[5]) overrun <= 1'b0;
    end
  end

  // Registers.
  always @(posedge clk) begin
    if (rst) begin
      divisor <= 16'd867;
      rx_irq_en <= 1'b0;
      tx_irq_en <= 1'b0;
    end else if (write && reg_addr == 2'd2) begin
      divisor <= wdata[15:0];
    end else if (write && reg_addr == 2'd1) begin
      rx_irq_en <= wdata[0];
      tx_irq_en <= wdata[1];
    end
  end
  always @* begin
    case (reg_addr)
      2'd0: rdata = {24'd0, queue[head]};
      2'd1: rdata = {26'd0, overrun, fill != 3'd0, tx_busy, fill == 3'd4, tx_irq_en, rx_irq_en};
      2'd2: rdata = {16'd0, divisor};
      default: rdata = 32'd0;
    endcase
  end
  assign irq = (rx_irq_en && fill != 3'd0) || (tx_irq_en && !tx_busy);
endmodule

// A 32-bit timer: an 8-bit prescaler, a counter that runs when enabled, a
// compare register, an interrupt on a match and an optional reload to zero.
module soc_timer(input clk, input rst, input sel, input we, input [1:0] reg_addr, input [31:0] wdata,
                 output reg [31:0] rdata, output match, output irq);
  reg [31:0] count, compare;
  reg [7:0] prescale, prescale_count;
  reg enable, irq_en, reload, pending;
  wire write = sel && we;
  wire tick = enable && prescale_count == prescale;
  assign match = count == compare;
  always @(posedge clk) begin
    if (rst) prescale_count <= 8'd0;
    else if (!enable || tick) prescale_count <= 8'd0;
    else prescale_count <= prescale_count + 8'd1;
  end
  always @(posedge clk) begin
    if (rst) count <= 32'd0;
    else if (write && reg_addr == 2'd0) count <= wdata;
    else if (tick) count <= (match && reload) ? 32'd0 : count + 32'd1;
  end
  always @(posedge clk) begin
    if (rst) begin
      compare <= 32'hffffffff;
      prescale <= 8'd0;
      enable <= 1'b0;
      irq_en <= 1'b0;
      reload <= 1'b0;
    end else if (write && reg_addr == 2'd1) begin
      compare <= wdata;
    end else if (write && reg_addr == 2'd2) begin
      enable <= wdata[0];
      irq_en <= wdata[1];
      reload <= wdata[2];
      prescale <= wdata[15:8];
    end
  end
  always @(posedge clk) begin
    if (rst) pending <= 1'b0;
    else if (tick && match) pending <= 1'b1;
    else if (write && reg_addr == 2'd3 && wdata[0]) pending <= 1'b0;
  end
  always @* begin
    case (reg_addr)
      2'd0: rdata = count;
      2'd1: rdata = compare;
      2'd2: rdata = {16'd0, prescale, 5'd0, reload, irq_en, enable};
      default: rdata = {31'd0, pending};
    endcase
  end
  assign irq = pending && irq_en;
endmodule

// A 16-bit GPIO port: output and direction registers, synchronised inputs
// and a rising edge detector with a mask and sticky edge flags.
module soc_gpio(input clk, input rst, input sel, input we, input [2:0] reg_addr, input [31:0] wdata,
                output reg [31:0] rdata, input [15:0] pins_in, output [15:0] pins_out,
                output [15:0] pins_oe, output irq);
  reg [15:0] data_out, direction, meta, pins, last, edge_mask, edges;
  wire write = sel && we;
  always @(posedge clk) begin
    meta <= pins_in;
    pins <= meta;
    last <= pins;
  end
  always @(posedge clk) begin
    if (rst) begin
      data_out <= 16'd0;
      direction <= 16'd0;
      edge_mask <= 16'd0;
    end else if (write) begin
      case (reg_addr)
        3'd0: data_out <= wdata[15:0];
        3'd1: direction <= wdata[15:0];
        3'd3: edge_mask <= wdata[15:0];
        default: ;
      endcase
    end
  end
  always @(posedge clk) begin
    if (rst) edges <= 16'd0;
    else if (write && reg_addr == 3'd4) edges <= (edges & ~wdata[15:0]) | (pins & ~last);
    else edges <= edges | (pins & ~last);
  end
  always @* begin
    case (reg_addr)
      3'd0: rdata = {16'd0, data_out};
      3'd1: rdata = {16'd0, direction};
      3'd2: rdata = {16'd0, (pins & ~direction) | (data_out & direction)};
      3'd3: rdata = {16'd0, edge_mask};
      3'd4: rdata = {16'd0, edges};
      default: rdata = 32'd0;
    endcase
  end
  assign pins_out = data_out;
  assign pins_oe = direction;
  assign irq = (edges & edge_mask) != 16'd0;
endmodule

// The interrupt controller: five sources latched as pending, an enable
// mask, and the lowest pending enabled source as the claimed one. Writing
// the pending register clears the bits written as 1.
module soc_intc(input clk, input rst, input sel, input we, input [1:0] reg_addr, input [31:0] wdata,
                output reg [31:0] rdata, input [4:0] sources, output irq);
  reg [4:0] pending, enable;
  reg [2:0] claimed;
  wire write = sel && we;
  wire [4:0] active = pending & enable;
  always @(posedge clk) begin
    if (rst) pending <= 5'd0;
    else if (write && reg_addr == 2'd0) pending <= (pending & ~wdata[4:0]) | sources;
    else pending <= pending | sources;
  end
  always @(posedge clk) begin
    if (rst) enable <= 5'd0;
    else if (write && reg_addr == 2'd1) enable <= wdata[4:0];
  end
  always @(posedge clk) begin
    if (active[0]) claimed <= 3'd0;
    else if (active[1]) claimed <= 3'd1;
    else if (active[2]) claimed <= 3'd2;
    else if (active[3]) claimed <= 3'd3;
    else if (active[4]) claimed <= 3'd4;
    else claimed <= 3'd7;
  end
  always @* begin
    case (reg_addr)
      2'd0: rdata = {27'd0, pending};
      2'd1: rdata = {27'd0, enable};
      2'd2: rdata = {29'd0, claimed};
      default: rdata = 32'd0;
    endcase
  end
  assign irq = active != 5'd0;
endmodule

// The core of rv32core.v, as it is there.
// A small 32-bit register-file CPU: 31 general registers (x0 reads 0), an ALU
// for register and immediate operations, loads and stores through a data
// port, branches and jumps, and a program counter. Instructions come from an
// instruction port; the register file is a memory of 32 words.
module soc_cpu(input clk, input rst, input [31:0] instr, input [31:0] rdata,
                output [31:0] pc_out, output [31:0] addr, output [31:0] wdata, output mem_we);
  reg [31:0] pc;
  reg [31:0] regs [0:31];
  reg [31:0] ir;
  reg [1:0] phase;

  wire [6:0] opcode = ir[6:0];
  wire [4:0] rd = ir[11:7];
  wire [2:0] funct3 = ir[14:12];
  wire [4:0] rs1 = ir[19:15];
  wire [4:0] rs2 = ir[24:20];
  wire [6:0] funct7 = ir[31:25];

  wire [31:0] imm_i = {{20{ir[31]}}, ir[31:20]};
  wire [31:0] imm_s = {{20{ir[31]}}, ir[31:25], ir[11:7]};
  wire [31:0] imm_b = {{19{ir[31]}}, ir[31], ir[7], ir[30:25], ir[11:8], 1'b0};
  wire [31:0] imm_u = {ir[31:12], 12'b0};
  wire [31:0] imm_j = {{11{ir[31]}}, ir[31], ir[19:12], ir[20], ir[30:21], 1'b0};

  wire [31:0] a = rs1 == 0 ? 32'd0 : regs[rs1];
  wire [31:0] b = rs2 == 0 ? 32'd0 : regs[rs2];

  wire is_op = opcode == 7'b0110011;
  wire is_opimm = opcode == 7'b0010011;
  wire is_load = opcode == 7'b0000011;
  wire is_store = opcode == 7'b0100011;
  wire is_branch = opcode == 7'b1100011;
  wire is_jal = opcode == 7'b1101111;
  wire is_jalr = opcode == 7'b1100111;
  wire is_lui = opcode == 7'b0110111;
  wire is_auipc = opcode == 7'b0010111;

  wire [31:0] operand = is_op ? b : imm_i;
  wire sub = is_op && funct7[5];
  reg [31:0] alu;
  always @* begin
    case (funct3)
      3'b000: alu = sub ? a - operand : a + operand;
      3'b001: alu = a << operand[4:0];
      3'b010: alu = {31'b0, $signed(a) < $signed(operand)};
      3'b011: alu = {31'b0, a < operand};
      3'b100: alu = a ^ operand;
      3'b101: alu = funct7[5] ? $signed(a) >>> operand[4:0] : a >> operand[4:0];
      3'b110: alu = a | operand;
      default: alu = a & operand;
    endcase
  end

  reg taken;
  always @* begin
    case (funct3)
      3'b000: taken = a == b;
      3'b001: taken = a != b;
      3'b100: taken = $signed(a) < $signed(b);
      3'b101: taken = $signed(a) >= $signed(b);
      3'b110: taken = a < b;
      3'b111: taken = a >= b;
      default: taken = 1'b0;
    endcase
  end

  wire [31:0] next_seq = pc + 32'd4;
  wire [31:0] result = is_lui ? imm_u :
                       is_auipc ? pc + imm_u :
                       (is_jal || is_jalr) ? next_seq :
                       is_load ? rdata : alu;
  wire writes_rd = (is_op || is_opimm || is_load || is_jal || is_jalr || is_lui || is_auipc) && rd != 0;
  wire [31:0] next_pc = is_jal ? pc + imm_j :
                        is_jalr ? (a + imm_i) & ~32'd1 :
                        (is_branch && taken) ? pc + imm_b : next_seq;

  always @(posedge clk) begin
    if (rst) begin
      pc <= 32'd0;
      phase <= 2'd0;
      ir <= 32'h00000013;
    end else if (phase == 2'd0) begin
      ir <= instr;
      phase <= 2'd1;
    end else begin
      pc <= next_pc;
      phase <= 2'd0;
    end
  end

  always @(posedge clk) if (phase == 2'd1 && writes_rd) regs[rd] <= result;

  assign pc_out = pc;
  assign addr = a + (is_store ? imm_s : imm_i);
  assign wdata = b;
  assign mem_we = phase == 2'd1 && is_store;
endmodule
