// rv32im: a register-file RISC-V processor of this project, written as an
// example design of realistic size for the testability analysis.
//
// Instruction set: RV32I with the M extension (a multiplier and a divider of
// one bit a cycle), optionally the compressed instructions (C), and the
// machine-mode CSRs mstatus, misa, mie, mip, mtvec, mscratch, mepc, mcause,
// mtval, the cycle and retired-instruction counters and their read-only
// user aliases. Traps: instruction address, load and store misalignment,
// illegal instruction, ecall and ebreak; interrupts: software, timer and
// external, taken between instructions.
//
// The core is a multi-cycle machine: FETCH (one or two bus words), DECODE,
// EXECUTE, then MEMORY, SHIFT or MULDIV when the instruction needs them, and
// TRAP. Its register file is a memory array of 32 words.
//
// Bus: one request at a time. The core raises bus_req with bus_addr (word
// aligned), bus_fetch (instruction fetch), bus_wmask (byte lanes written,
// zero for a read) and bus_wdata, and holds them until bus_ack is high at a
// clock edge; read data is taken from bus_rdata at that edge.
//
// Debug: dbg_halt_req stops the core between instructions (dbg_halted),
// where dbg_reg_addr reads a register (dbg_reg_data) and dbg_pc the pc;
// the trace port reports every retired instruction and every trap.
//
// Plain Verilog-2005; the modules below the top are rv32im_decode,
// rv32im_cexpand, rv32im_regfile, rv32im_alu, rv32im_branch, rv32im_shift,
// rv32im_muldiv, rv32im_lsu, rv32im_csr and rv32im_trace.

// ---------------------------------------------------------------- top

module rv32im #(
  parameter [31:0] RESET_ADDR = 32'h0000_0000,
  parameter [31:0] TRAP_ADDR = 32'h0000_0010,
  parameter ENABLE_MUL = 1,
  parameter ENABLE_DIV = 1,
  parameter ENABLE_COMPRESSED = 1,
  parameter ENABLE_IRQ = 1,
  parameter ENABLE_COUNTERS = 1,
  parameter ENABLE_TRACE = 1,
  parameter BARREL_SHIFTER = 1
) (
  input clk,
  input resetn,
  // bus
  output reg bus_req,
  output reg bus_fetch,
  output reg [31:0] bus_addr,
  output reg [31:0] bus_wdata,
  output reg [3:0] bus_wmask,
  input bus_ack,
  input [31:0] bus_rdata,
  // interrupt lines (level sensitive)
  input irq_software,
  input irq_timer,
  input irq_external,
  // debug
  input dbg_halt_req,
  output dbg_halted,
  input [4:0] dbg_reg_addr,
  output [31:0] dbg_reg_data,
  output [31:0] dbg_pc,
  // trace
  output trace_valid,
  output trace_trap,
  output [31:0] trace_pc,
  output [31:0] trace_insn,
  output [4:0] trace_rd,
  output trace_rd_we,
  output [31:0] trace_rd_data,
  output [31:0] trace_cause
);

  // ---- states
  localparam [3:0] S_FETCH = 4'd0;
  localparam [3:0] S_FETCH2 = 4'd1;
  localparam [3:0] S_DECODE = 4'd2;
  localparam [3:0] S_EXEC = 4'd3;
  localparam [3:0] S_MEM = 4'd4;
  localparam [3:0] S_SHIFT = 4'd5;
  localparam [3:0] S_MULDIV = 4'd6;
  localparam [3:0] S_TRAP = 4'd7;
  localparam [3:0] S_HALT = 4'd8;

  // ---- exception causes
  localparam [31:0] CAUSE_FETCH_MISALIGNED = 32'd0;
  localparam [31:0] CAUSE_ILLEGAL = 32'd2;
  localparam [31:0] CAUSE_BREAKPOINT = 32'd3;
  localparam [31:0] CAUSE_LOAD_MISALIGNED = 32'd4;
  localparam [31:0] CAUSE_STORE_MISALIGNED = 32'd6;
  localparam [31:0] CAUSE_ECALL_M = 32'd11;

  reg [3:0] state;
  reg [31:0] pc;
  reg [31:0] insn;        // the instruction being executed, expanded to 32 bits
  reg [31:0] insn_raw;    // as fetched (16 bits for a compressed one)
  reg insn_short;         // a compressed instruction: the next one is 2 bytes on
  reg [15:0] fetch_low;   // first half of a 32-bit instruction across two words
  reg [31:0] trap_cause;
  reg [31:0] trap_value;
  reg [31:0] trap_pc;

  // ---- fetch: the halfword at pc and whether it starts a compressed instruction
  wire [15:0] fetch_half = pc[1] ? bus_rdata[31:16] : bus_rdata[15:0];
  wire half_is_short = ENABLE_COMPRESSED != 0 && fetch_half[1:0] != 2'b11;

  wire [31:0] expanded;
  wire expand_illegal;
  rv32im_cexpand u_cexpand(.cinsn(insn_raw[15:0]), .insn(expanded), .illegal(expand_illegal));
  reg insn_expand_illegal;

  // ---- decode
  wire [4:0] rd, rs1, rs2;
  wire [2:0] funct3;
  wire [31:0] imm;
  wire [3:0] alu_op;
  wire use_imm, use_pc, writes_rd;
  wire is_lui, is_auipc, is_jal, is_jalr, is_branch, is_load, is_store, is_alu, is_shift, is_muldiv;
  wire is_fence, is_csr, is_ecall, is_ebreak, is_mret, is_wfi, decode_illegal;

  rv32im_decode #(.ENABLE_MUL(ENABLE_MUL), .ENABLE_DIV(ENABLE_DIV)) u_decode(
    .insn(insn), .rd(rd), .rs1(rs1), .rs2(rs2), .funct3(funct3), .imm(imm), .alu_op(alu_op),
    .use_imm(use_imm), .use_pc(use_pc), .writes_rd(writes_rd),
    .is_lui(is_lui), .is_auipc(is_auipc), .is_jal(is_jal), .is_jalr(is_jalr), .is_branch(is_branch),
    .is_load(is_load), .is_store(is_store), .is_alu(is_alu), .is_shift(is_shift), .is_muldiv(is_muldiv),
    .is_fence(is_fence), .is_csr(is_csr), .is_ecall(is_ecall), .is_ebreak(is_ebreak), .is_mret(is_mret),
    .is_wfi(is_wfi), .illegal(decode_illegal));

  // ---- register file
  reg wb_en;
  reg [31:0] wb_data;
  wire [31:0] rs1_value, rs2_value;

  rv32im_regfile u_regfile(
    .clk(clk), .we(wb_en), .waddr(rd), .wdata(wb_data),
    .raddr1(rs1), .rdata1(rs1_value), .raddr2(state == S_HALT ? dbg_reg_addr : rs2), .rdata2(rs2_value));

  // ---- ALU, branch compare and shifter
  wire [31:0] operand_a = use_pc ? pc : is_lui ? 32'd0 : rs1_value;
  wire [31:0] operand_b = use_imm ? imm : rs2_value;
  wire [31:0] alu_result;
  rv32im_alu u_alu(.op(alu_op), .a(operand_a), .b(operand_b), .result(alu_result));

  wire branch_taken;
  rv32im_branch u_branch(.funct3(funct3), .a(rs1_value), .b(rs2_value), .taken(branch_taken));

  wire shift_start = state == S_EXEC && is_shift && !decode_illegal && !insn_expand_illegal;
  wire [31:0] shift_result;
  wire shift_done;
  rv32im_shift #(.BARREL(BARREL_SHIFTER)) u_shift(
    .clk(clk), .resetn(resetn), .start(shift_start), .value(rs1_value), .amount(operand_b[4:0]),
    .right(alu_op == 4'd6 || alu_op == 4'd7), .arith(alu_op == 4'd7), .result(shift_result), .done(shift_done));

  // ---- multiplier and divider
  wire muldiv_start = state == S_EXEC && is_muldiv && !decode_illegal && !insn_expand_illegal;
  wire [31:0] muldiv_result;
  wire muldiv_done;
  rv32im_muldiv #(.ENABLE_MUL(ENABLE_MUL), .ENABLE_DIV(ENABLE_DIV)) u_muldiv(
    .clk(clk), .resetn(resetn), .start(muldiv_start), .funct3(funct3), .a(rs1_value), .b(rs2_value),
    .result(muldiv_result), .done(muldiv_done));

  // ---- loads and stores
  wire [31:0] mem_address = rs1_value + imm;
  wire [3:0] store_mask;
  wire [31:0] store_data;
  wire [31:0] load_value;
  wire mem_misaligned;
  reg [1:0] bus_addr_low;  // byte offset of the load in progress
  rv32im_lsu u_lsu(
    .funct3(funct3), .offset(state == S_MEM ? bus_addr_low : mem_address[1:0]), .store_value(rs2_value),
    .load_word(bus_rdata), .wmask(store_mask), .wdata(store_data), .load_value(load_value),
    .misaligned(mem_misaligned));

  // ---- jumps and the next pc
  wire [31:0] pc_step = pc + (insn_short ? 32'd2 : 32'd4);
  wire [31:0] jump_target = is_jalr ? ((rs1_value + imm) & 32'hffff_fffe) : pc + imm;
  wire target_misaligned = ENABLE_COMPRESSED ? 1'b0 : jump_target[1];
  wire jumps = is_jal || is_jalr || (is_branch && branch_taken);

  // ---- CSRs
  wire csr_legal;
  wire [31:0] csr_rdata, mtvec, mepc, irq_cause, trap_target;
  wire irq_pending;
  wire retire;
  wire csr_write_request = funct3[1] == 1'b0 || rs1 != 5'd0;  // csrrs/csrrc with x0 (or 0) only read
  wire csr_access = state == S_EXEC && is_csr && csr_legal && !decode_illegal && !insn_expand_illegal;
  wire enter_trap = state == S_TRAP;
  wire do_mret = state == S_EXEC && is_mret && !decode_illegal && !insn_expand_illegal;

  rv32im_csr #(.TRAP_ADDR(TRAP_ADDR), .ENABLE_IRQ(ENABLE_IRQ), .ENABLE_COUNTERS(ENABLE_COUNTERS),
               .ENABLE_COMPRESSED(ENABLE_COMPRESSED), .ENABLE_MUL(ENABLE_MUL || ENABLE_DIV)) u_csr(
    .clk(clk), .resetn(resetn), .addr(insn[31:20]), .op(funct3), .write_request(csr_write_request),
    .source(funct3[2] ? {27'd0, rs1} : rs1_value), .access(csr_access), .rdata(csr_rdata), .legal(csr_legal),
    .retire(retire), .trap(enter_trap), .trap_cause(trap_cause), .trap_pc(trap_pc), .trap_value(trap_value),
    .mret(do_mret), .irq_software(irq_software), .irq_timer(irq_timer), .irq_external(irq_external),
    .mtvec(mtvec), .mepc(mepc), .irq_pending(irq_pending), .irq_cause(irq_cause), .trap_target(trap_target));

  // ---- the exception an instruction raises in EXECUTE, if any
  reg exec_trap;
  reg [31:0] exec_cause, exec_value;
  always @* begin
    exec_trap = 1'b1;
    exec_cause = CAUSE_ILLEGAL;
    exec_value = insn_raw;
    if (insn_expand_illegal || decode_illegal || (is_csr && !csr_legal)) begin
      exec_cause = CAUSE_ILLEGAL;
    end else if (is_ecall) begin
      exec_cause = CAUSE_ECALL_M;
      exec_value = 32'd0;
    end else if (is_ebreak) begin
      exec_cause = CAUSE_BREAKPOINT;
      exec_value = pc;
    end else if (jumps && target_misaligned) begin
      exec_cause = CAUSE_FETCH_MISALIGNED;
      exec_value = jump_target;
    end else if ((is_load || is_store) && mem_misaligned) begin
      exec_cause = is_load ? CAUSE_LOAD_MISALIGNED : CAUSE_STORE_MISALIGNED;
      exec_value = mem_address;
    end else begin
      exec_trap = 1'b0;
    end
  end

  // ---- write-back: what goes into rd, and when
  always @* begin
    wb_en = 1'b0;
    wb_data = alu_result;
    case (state)
      S_EXEC:
        if (!exec_trap && writes_rd) begin
          if (is_jal || is_jalr) begin
            wb_en = 1'b1;
            wb_data = pc_step;
          end else if (is_csr) begin
            wb_en = 1'b1;
            wb_data = csr_rdata;
          end else if (is_shift) begin
            wb_en = BARREL_SHIFTER != 0;
            wb_data = shift_result;
          end else if (is_lui || is_auipc || is_alu) begin
            wb_en = 1'b1;
            wb_data = alu_result;
          end
        end
      S_MEM: begin
        wb_en = bus_ack && bus_wmask == 4'd0 && writes_rd;
        wb_data = load_value;
      end
      S_SHIFT: begin
        wb_en = shift_done && writes_rd;
        wb_data = shift_result;
      end
      S_MULDIV: begin
        wb_en = muldiv_done && writes_rd;
        wb_data = muldiv_result;
      end
      default: wb_en = 1'b0;
    endcase
  end

  // ---- retirement: the instruction completes in this cycle
  assign retire =
    (state == S_EXEC && !exec_trap && !((is_shift && BARREL_SHIFTER == 0) || is_muldiv || is_load || is_store)) ||
    (state == S_MEM && bus_ack) || (state == S_SHIFT && shift_done) || (state == S_MULDIV && muldiv_done);

  // ---- the state machine
  always @(posedge clk) begin
    if (!resetn) begin
      state <= S_FETCH;
      pc <= RESET_ADDR;
      insn <= 32'h0000_0013;
      insn_raw <= 32'h0000_0013;
      insn_short <= 1'b0;
      insn_expand_illegal <= 1'b0;
      fetch_low <= 16'd0;
      trap_cause <= 32'd0;
      trap_value <= 32'd0;
      trap_pc <= 32'd0;
      bus_req <= 1'b0;
      bus_fetch <= 1'b0;
      bus_addr <= 32'd0;
      bus_wdata <= 32'd0;
      bus_wmask <= 4'd0;
      bus_addr_low <= 2'd0;
    end else begin
      case (state)
        S_FETCH:
          if (!bus_req) begin
            if (irq_pending) begin
              trap_cause <= irq_cause;
              trap_value <= 32'd0;
              trap_pc <= pc;
              state <= S_TRAP;
            end else if (dbg_halt_req) begin
              state <= S_HALT;
            end else begin
              bus_req <= 1'b1;
              bus_fetch <= 1'b1;
              bus_addr <= {pc[31:2], 2'b00};
              bus_wmask <= 4'd0;
            end
          end else if (bus_ack) begin
            if (half_is_short) begin
              bus_req <= 1'b0;
              insn_raw <= {16'd0, fetch_half};
              insn_short <= 1'b1;
              state <= S_DECODE;
            end else if (!pc[1]) begin
              bus_req <= 1'b0;
              insn_raw <= bus_rdata;
              insn_short <= 1'b0;
              state <= S_DECODE;
            end else begin
              // a 32-bit instruction on a halfword boundary: its upper half is in the next word
              fetch_low <= fetch_half;
              bus_addr <= bus_addr + 32'd4;
              state <= S_FETCH2;
            end
          end
        S_FETCH2:
          if (bus_ack) begin
            bus_req <= 1'b0;
            insn_raw <= {bus_rdata[15:0], fetch_low};
            insn_short <= 1'b0;
            state <= S_DECODE;
          end
        S_DECODE: begin
          bus_fetch <= 1'b0;
          insn <= insn_short ? expanded : insn_raw;
          insn_expand_illegal <= insn_short && expand_illegal;
          state <= S_EXEC;
        end
        S_EXEC:
          if (exec_trap) begin
            trap_cause <= exec_cause;
            trap_value <= exec_value;
            trap_pc <= pc;
            state <= S_TRAP;
          end else if (is_load || is_store) begin
            bus_req <= 1'b1;
            bus_addr <= {mem_address[31:2], 2'b00};
            bus_addr_low <= mem_address[1:0];
            bus_wmask <= is_store ? store_mask : 4'd0;
            bus_wdata <= store_data;
            state <= S_MEM;
          end else if (is_shift && BARREL_SHIFTER == 0) begin
            state <= S_SHIFT;
          end else if (is_muldiv) begin
            state <= S_MULDIV;
          end else begin
            pc <= is_mret ? mepc : jumps ? jump_target : pc_step;
            state <= S_FETCH;
          end
        S_MEM:
          if (bus_ack) begin
            bus_req <= 1'b0;
            bus_wmask <= 4'd0;
            pc <= pc_step;
            state <= S_FETCH;
          end
        S_SHIFT:
          if (shift_done) begin
            pc <= pc_step;
            state <= S_FETCH;
          end
        S_MULDIV:
          if (muldiv_done) begin
            pc <= pc_step;
            state <= S_FETCH;
          end
        S_TRAP: begin
          pc <= trap_target;
          state <= S_FETCH;
        end
        S_HALT:
          if (!dbg_halt_req) state <= S_FETCH;
        default: state <= S_FETCH;
      endcase
    end
  end

  // while halted, the second read port serves the debug port
  assign dbg_halted = state == S_HALT;
  assign dbg_reg_data = dbg_halted ? rs2_value : 32'd0;
  assign dbg_pc = pc;

  // ---- trace
  rv32im_trace #(.ENABLE(ENABLE_TRACE)) u_trace(
    .clk(clk), .resetn(resetn), .retire(retire), .trap(enter_trap), .pc(state == S_TRAP ? trap_pc : pc),
    .insn(insn_raw), .rd(rd), .rd_we(wb_en && rd != 5'd0), .rd_data(wb_data), .cause(trap_cause),
    .trace_valid(trace_valid), .trace_trap(trace_trap), .trace_pc(trace_pc), .trace_insn(trace_insn),
    .trace_rd(trace_rd), .trace_rd_we(trace_rd_we), .trace_rd_data(trace_rd_data), .trace_cause(trace_cause));

endmodule

// ---------------------------------------------------------------- decoder

// Fields, immediate and instruction class of a 32-bit instruction; `illegal`
// for encodings the core does not implement.
module rv32im_decode #(
  parameter ENABLE_MUL = 1,
  parameter ENABLE_DIV = 1
) (
  input [31:0] insn,
  output [4:0] rd,
  output [4:0] rs1,
  output [4:0] rs2,
  output [2:0] funct3,
  output reg [31:0] imm,
  output reg [3:0] alu_op,
  output reg use_imm,
  output reg use_pc,
  output reg writes_rd,
  output is_lui,
  output is_auipc,
  output is_jal,
  output is_jalr,
  output is_branch,
  output is_load,
  output is_store,
  output is_alu,
  output is_shift,
  output is_muldiv,
  output is_fence,
  output is_csr,
  output is_ecall,
  output is_ebreak,
  output is_mret,
  output is_wfi,
  output reg illegal
);
  localparam [6:0] OP_LUI = 7'b0110111;
  localparam [6:0] OP_AUIPC = 7'b0010111;
  localparam [6:0] OP_JAL = 7'b1101111;
  localparam [6:0] OP_JALR = 7'b1100111;
  localparam [6:0] OP_BRANCH = 7'b1100011;
  localparam [6:0] OP_LOAD = 7'b0000011;
  localparam [6:0] OP_STORE = 7'b0100011;
  localparam [6:0] OP_IMM = 7'b0010011;
  localparam [6:0] OP_REG = 7'b0110011;
  localparam [6:0] OP_FENCE = 7'b0001111;
  localparam [6:0] OP_SYSTEM = 7'b1110011;

  // ALU operations (rv32im_alu)
  localparam [3:0] ALU_ADD = 4'd0;
  localparam [3:0] ALU_SUB = 4'd1;
  localparam [3:0] ALU_SLL = 4'd2;
  localparam [3:0] ALU_SLT = 4'd3;
  localparam [3:0] ALU_SLTU = 4'd4;
  localparam [3:0] ALU_XOR = 4'd5;
  localparam [3:0] ALU_SRL = 4'd6;
  localparam [3:0] ALU_SRA = 4'd7;
  localparam [3:0] ALU_OR = 4'd8;
  localparam [3:0] ALU_AND = 4'd9;

  wire [6:0] opcode = insn[6:0];
  wire [6:0] funct7 = insn[31:25];
  assign rd = insn[11:7];
  assign rs1 = insn[19:15];
  assign rs2 = insn[24:20];
  assign funct3 = insn[14:12];

  // immediates of the five formats
  wire [31:0] imm_i = {{20{insn[31]}}, insn[31:20]};
  wire [31:0] imm_s = {{20{insn[31]}}, insn[31:25], insn[11:7]};
  wire [31:0] imm_b = {{19{insn[31]}}, insn[31], insn[7], insn[30:25], insn[11:8], 1'b0};
  wire [31:0] imm_u = {insn[31:12], 12'd0};
  wire [31:0] imm_j = {{11{insn[31]}}, insn[31], insn[19:12], insn[20], insn[30:21], 1'b0};

  assign is_lui = opcode == OP_LUI;
  assign is_auipc = opcode == OP_AUIPC;
  assign is_jal = opcode == OP_JAL;
  assign is_jalr = opcode == OP_JALR;
  assign is_branch = opcode == OP_BRANCH;
  assign is_load = opcode == OP_LOAD;
  assign is_store = opcode == OP_STORE;
  assign is_fence = opcode == OP_FENCE;
  wire is_system = opcode == OP_SYSTEM;
  wire reg_mul = opcode == OP_REG && funct7 == 7'b0000001;
  assign is_muldiv = reg_mul;
  wire shift_op = funct3 == 3'b001 || funct3 == 3'b101;
  assign is_shift = (opcode == OP_IMM || (opcode == OP_REG && !reg_mul)) && shift_op;
  assign is_alu = is_lui || is_auipc || ((opcode == OP_IMM || (opcode == OP_REG && !reg_mul)) && !shift_op);
  assign is_csr = is_system && funct3 != 3'b000 && funct3 != 3'b100;
  assign is_ecall = insn == 32'h0000_0073;
  assign is_ebreak = insn == 32'h0010_0073;
  assign is_mret = insn == 32'h3020_0073;
  assign is_wfi = insn == 32'h1050_0073;

  // the ALU operation of OP and OP-IMM
  function [3:0] alu_of;
    input [2:0] f3;
    input alt;  // bit 30: sub, sra
    begin
      case (f3)
        3'b000: alu_of = alt ? ALU_SUB : ALU_ADD;
        3'b001: alu_of = ALU_SLL;
        3'b010: alu_of = ALU_SLT;
        3'b011: alu_of = ALU_SLTU;
        3'b100: alu_of = ALU_XOR;
        3'b101: alu_of = alt ? ALU_SRA : ALU_SRL;
        3'b110: alu_of = ALU_OR;
        default: alu_of = ALU_AND;
      endcase
    end
  endfunction

  always @* begin
    imm = imm_i;
    alu_op = ALU_ADD;
    use_imm = 1'b1;
    use_pc = 1'b0;
    writes_rd = 1'b0;
    illegal = insn[1:0] != 2'b11;
    case (opcode)
      OP_LUI: begin
        imm = imm_u;
        writes_rd = 1'b1;
      end
      OP_AUIPC: begin
        imm = imm_u;
        use_pc = 1'b1;
        writes_rd = 1'b1;
      end
      OP_JAL: begin
        imm = imm_j;
        writes_rd = 1'b1;
      end
      OP_JALR: begin
        writes_rd = 1'b1;
        if (funct3 != 3'b000) illegal = 1'b1;
      end
      OP_BRANCH: begin
        imm = imm_b;
        use_imm = 1'b0;
        if (funct3 == 3'b010 || funct3 == 3'b011) illegal = 1'b1;
      end
      OP_LOAD: begin
        writes_rd = 1'b1;
        if (funct3 == 3'b011 || funct3 == 3'b110 || funct3 == 3'b111) illegal = 1'b1;
      end
      OP_STORE: begin
        imm = imm_s;
        if (funct3[2] || funct3 == 3'b011) illegal = 1'b1;
      end
      OP_IMM: begin
        writes_rd = 1'b1;
        alu_op = alu_of(funct3, funct3 == 3'b101 && insn[30]);
        if (funct3 == 3'b001 && funct7 != 7'b0000000) illegal = 1'b1;
        if (funct3 == 3'b101 && funct7 != 7'b0000000 && funct7 != 7'b0100000) illegal = 1'b1;
      end
      OP_REG: begin
        writes_rd = 1'b1;
        use_imm = 1'b0;
        alu_op = alu_of(funct3, insn[30]);
        if (funct7 == 7'b0000001) begin
          if (funct3[2] ? ENABLE_DIV == 0 : ENABLE_MUL == 0) illegal = 1'b1;
        end else if (funct7 == 7'b0100000) begin
          if (funct3 != 3'b000 && funct3 != 3'b101) illegal = 1'b1;
        end else if (funct7 != 7'b0000000) begin
          illegal = 1'b1;
        end
      end
      OP_FENCE:
        if (funct3[2:1] != 2'b00) illegal = 1'b1;  // fence and fence.i: nothing to order here
      OP_SYSTEM:
        if (funct3 == 3'b000) begin
          if (!(is_ecall || is_ebreak || is_mret || is_wfi)) illegal = 1'b1;
        end else if (funct3 == 3'b100) begin
          illegal = 1'b1;
        end else begin
          writes_rd = 1'b1;
        end
      default: illegal = 1'b1;
    endcase
  end
endmodule

// ---------------------------------------------------------------- compressed instructions

// The 32-bit instruction a compressed one stands for; `illegal` for reserved
// encodings and those of other base widths or of floating point.
module rv32im_cexpand (
  input [15:0] cinsn,
  output reg [31:0] insn,
  output reg illegal
);
  localparam [6:0] OP_LUI = 7'b0110111;
  localparam [6:0] OP_JAL = 7'b1101111;
  localparam [6:0] OP_JALR = 7'b1100111;
  localparam [6:0] OP_BRANCH = 7'b1100011;
  localparam [6:0] OP_LOAD = 7'b0000011;
  localparam [6:0] OP_STORE = 7'b0100011;
  localparam [6:0] OP_IMM = 7'b0010011;
  localparam [6:0] OP_REG = 7'b0110011;
  localparam [4:0] SP = 5'd2;
  localparam [4:0] RA = 5'd1;
  localparam [4:0] ZERO = 5'd0;

  // instruction formats
  function [31:0] i_type;
    input [11:0] immediate;
    input [4:0] src;
    input [2:0] f3;
    input [4:0] dst;
    input [6:0] op;
    i_type = {immediate, src, f3, dst, op};
  endfunction

  function [31:0] s_type;
    input [11:0] immediate;
    input [4:0] src2;
    input [4:0] src1;
    input [2:0] f3;
    input [6:0] op;
    s_type = {immediate[11:5], src2, src1, f3, immediate[4:0], op};
  endfunction

  function [31:0] r_type;
    input [6:0] f7;
    input [4:0] src2;
    input [4:0] src1;
    input [2:0] f3;
    input [4:0] dst;
    input [6:0] op;
    r_type = {f7, src2, src1, f3, dst, op};
  endfunction

  function [31:0] b_type;
    input [12:0] offset;
    input [4:0] src2;
    input [4:0] src1;
    input [2:0] f3;
    b_type = {offset[12], offset[10:5], src2, src1, f3, offset[4:1], offset[11], OP_BRANCH};
  endfunction

  function [31:0] j_type;
    input [20:0] offset;
    input [4:0] dst;
    j_type = {offset[20], offset[10:1], offset[11], offset[19:12], dst, OP_JAL};
  endfunction

  // register fields
  wire [4:0] r_full = cinsn[11:7];              // rd / rs1
  wire [4:0] r2_full = cinsn[6:2];              // rs2
  wire [4:0] r_low = {2'b01, cinsn[9:7]};       // rd' / rs1'
  wire [4:0] r2_low = {2'b01, cinsn[4:2]};      // rd' / rs2'

  // immediates
  wire [11:0] imm6 = {{6{cinsn[12]}}, cinsn[12], cinsn[6:2]};
  wire [9:0] addi4spn = {cinsn[10:7], cinsn[12:11], cinsn[5], cinsn[6], 2'b00};
  wire [6:0] lw_offset = {cinsn[5], cinsn[12:10], cinsn[6], 2'b00};
  wire [7:0] lwsp_offset = {cinsn[3:2], cinsn[12], cinsn[6:4], 2'b00};
  wire [7:0] swsp_offset = {cinsn[8:7], cinsn[12:9], 2'b00};
  wire [11:0] jump_offset = {cinsn[12], cinsn[8], cinsn[10:9], cinsn[6], cinsn[7], cinsn[2], cinsn[11],
                             cinsn[5:3], 1'b0};
  wire [8:0] branch_offset = {cinsn[12], cinsn[6:5], cinsn[2], cinsn[11:10], cinsn[4:3], 1'b0};
  wire [9:0] addi16sp = {cinsn[12], cinsn[4:3], cinsn[5], cinsn[2], cinsn[6], 4'b0000};
  wire [5:0] lui_upper = {cinsn[12], cinsn[6:2]};

  always @* begin
    insn = 32'h0000_0013;  // nop
    illegal = 1'b0;
    case ({cinsn[1:0], cinsn[15:13]})
      // quadrant 0
      5'b00_000: begin  // c.addi4spn
        insn = i_type({2'b00, addi4spn}, SP, 3'b000, r2_low, OP_IMM);
        if (addi4spn == 10'd0) illegal = 1'b1;
      end
      5'b00_010:  // c.lw
        insn = i_type({5'd0, lw_offset}, r_low, 3'b010, r2_low, OP_LOAD);
      5'b00_110:  // c.sw
        insn = s_type({5'd0, lw_offset}, r2_low, r_low, 3'b010, OP_STORE);
      // quadrant 1
      5'b01_000:  // c.addi, c.nop
        insn = i_type(imm6, r_full, 3'b000, r_full, OP_IMM);
      5'b01_001:  // c.jal
        insn = j_type({{9{jump_offset[11]}}, jump_offset}, RA);
      5'b01_010:  // c.li
        insn = i_type(imm6, ZERO, 3'b000, r_full, OP_IMM);
      5'b01_011:
        if (r_full == SP) begin  // c.addi16sp
          insn = i_type({{2{addi16sp[9]}}, addi16sp}, SP, 3'b000, SP, OP_IMM);
          if (addi16sp == 10'd0) illegal = 1'b1;
        end else begin  // c.lui
          insn = {{14{lui_upper[5]}}, lui_upper, r_full, OP_LUI};
          if (lui_upper == 6'd0) illegal = 1'b1;
        end
      5'b01_100:
        case (cinsn[11:10])
          2'b00: begin  // c.srli
            insn = i_type({7'b0000000, cinsn[6:2]}, r_low, 3'b101, r_low, OP_IMM);
            if (cinsn[12]) illegal = 1'b1;
          end
          2'b01: begin  // c.srai
            insn = i_type({7'b0100000, cinsn[6:2]}, r_low, 3'b101, r_low, OP_IMM);
            if (cinsn[12]) illegal = 1'b1;
          end
          2'b10:  // c.andi
            insn = i_type(imm6, r_low, 3'b111, r_low, OP_IMM);
          default:
            if (cinsn[12]) begin
              illegal = 1'b1;
            end else begin
              case (cinsn[6:5])
                2'b00: insn = r_type(7'b0100000, r2_low, r_low, 3'b000, r_low, OP_REG);  // c.sub
                2'b01: insn = r_type(7'b0000000, r2_low, r_low, 3'b100, r_low, OP_REG);  // c.xor
                2'b10: insn = r_type(7'b0000000, r2_low, r_low, 3'b110, r_low, OP_REG);  // c.or
                default: insn = r_type(7'b0000000, r2_low, r_low, 3'b111, r_low, OP_REG);  // c.and
              endcase
            end
        endcase
      5'b01_101:  // c.j
        insn = j_type({{9{jump_offset[11]}}, jump_offset}, ZERO);
      5'b01_110:  // c.beqz
        insn = b_type({{4{branch_offset[8]}}, branch_offset}, ZERO, r_low, 3'b000);
      5'b01_111:  // c.bnez
        insn = b_type({{4{branch_offset[8]}}, branch_offset}, ZERO, r_low, 3'b001);
      // quadrant 2
      5'b10_000: begin  // c.slli
        insn = i_type({7'b0000000, cinsn[6:2]}, r_full, 3'b001, r_full, OP_IMM);
        if (cinsn[12]) illegal = 1'b1;
      end
      5'b10_010: begin  // c.lwsp
        insn = i_type({4'd0, lwsp_offset}, SP, 3'b010, r_full, OP_LOAD);
        if (r_full == ZERO) illegal = 1'b1;
      end
      5'b10_100:
        if (!cinsn[12]) begin
          if (r2_full == ZERO) begin  // c.jr
            insn = i_type(12'd0, r_full, 3'b000, ZERO, OP_JALR);
            if (r_full == ZERO) illegal = 1'b1;
          end else begin  // c.mv
            insn = r_type(7'b0000000, r2_full, ZERO, 3'b000, r_full, OP_REG);
          end
        end else begin
          if (r_full == ZERO && r2_full == ZERO) begin  // c.ebreak
            insn = 32'h0010_0073;
          end else if (r2_full == ZERO) begin  // c.jalr
            insn = i_type(12'd0, r_full, 3'b000, RA, OP_JALR);
          end else begin  // c.add
            insn = r_type(7'b0000000, r2_full, r_full, 3'b000, r_full, OP_REG);
          end
        end
      5'b10_110:  // c.swsp
        insn = s_type({4'd0, swsp_offset}, r2_full, SP, 3'b010, OP_STORE);
      default:
        illegal = 1'b1;
    endcase
  end
endmodule

// ---------------------------------------------------------------- register file

// 32 registers of 32 bits as one memory array: two reads without a clock,
// one write at the clock edge. Register 0 reads as zero and is never written.
module rv32im_regfile (
  input clk,
  input we,
  input [4:0] waddr,
  input [31:0] wdata,
  input [4:0] raddr1,
  output [31:0] rdata1,
  input [4:0] raddr2,
  output [31:0] rdata2
);
  reg [31:0] regs [0:31];

  always @(posedge clk)
    if (we && waddr != 5'd0) regs[waddr] <= wdata;

  assign rdata1 = raddr1 == 5'd0 ? 32'd0 : regs[raddr1];
  assign rdata2 = raddr2 == 5'd0 ? 32'd0 : regs[raddr2];
endmodule

// ---------------------------------------------------------------- ALU

// Addition, subtraction, comparisons and logic; shifts are rv32im_shift's.
module rv32im_alu (
  input [3:0] op,
  input [31:0] a,
  input [31:0] b,
  output reg [31:0] result
);
  wire [32:0] difference = {1'b0, a} - {1'b0, b};
  wire less_unsigned = difference[32];
  wire less_signed = (a[31] != b[31]) ? a[31] : difference[31];

  always @*
    case (op)
      4'd0: result = a + b;
      4'd1: result = difference[31:0];
      4'd3: result = {31'd0, less_signed};
      4'd4: result = {31'd0, less_unsigned};
      4'd5: result = a ^ b;
      4'd8: result = a | b;
      4'd9: result = a & b;
      default: result = a + b;
    endcase
endmodule

// The condition of a conditional branch.
module rv32im_branch (
  input [2:0] funct3,
  input [31:0] a,
  input [31:0] b,
  output reg taken
);
  wire equal = a == b;
  wire [32:0] difference = {1'b0, a} - {1'b0, b};
  wire less_unsigned = difference[32];
  wire less_signed = (a[31] != b[31]) ? a[31] : difference[31];

  always @*
    case (funct3)
      3'b000: taken = equal;
      3'b001: taken = !equal;
      3'b100: taken = less_signed;
      3'b101: taken = !less_signed;
      3'b110: taken = less_unsigned;
      3'b111: taken = !less_unsigned;
      default: taken = 1'b0;
    endcase
endmodule

// ---------------------------------------------------------------- shifter

// Logical and arithmetic shifts. BARREL: five stages without a clock, `done`
// in the cycle of `start`. Otherwise one position a cycle (four while at
// least four are left), `done` one cycle after the last step.
module rv32im_shift #(
  parameter BARREL = 1
) (
  input clk,
  input resetn,
  input start,
  input [31:0] value,
  input [4:0] amount,
  input right,
  input arith,
  output [31:0] result,
  output done
);
  // right shifts run as left shifts of the bit-reversed value
  function [31:0] reversed;
    input [31:0] v;
    integer k;
    begin
      for (k = 0; k < 32; k = k + 1) reversed[k] = v[31 - k];
    end
  endfunction

  wire fill = right && arith && value[31];

  generate
    if (BARREL) begin : g_barrel
      wire [31:0] stage0 = right ? reversed(value) : value;
      wire [31:0] stage1 = amount[0] ? {stage0[30:0], fill} : stage0;
      wire [31:0] stage2 = amount[1] ? {stage1[29:0], {2{fill}}} : stage1;
      wire [31:0] stage3 = amount[2] ? {stage2[27:0], {4{fill}}} : stage2;
      wire [31:0] stage4 = amount[3] ? {stage3[23:0], {8{fill}}} : stage3;
      wire [31:0] stage5 = amount[4] ? {stage4[15:0], {16{fill}}} : stage4;
      assign result = right ? reversed(stage5) : stage5;
      assign done = start;
    end else begin : g_serial
      reg [31:0] work;
      reg [4:0] left;
      reg busy;
      reg finished;
      reg shift_right, shift_fill;
      always @(posedge clk) begin
        if (!resetn) begin
          work <= 32'd0;
          left <= 5'd0;
          busy <= 1'b0;
          finished <= 1'b0;
          shift_right <= 1'b0;
          shift_fill <= 1'b0;
        end else begin
          finished <= 1'b0;
          if (start && !busy) begin
            work <= right ? reversed(value) : value;
            left <= amount;
            shift_right <= right;
            shift_fill <= fill;
            busy <= 1'b1;
          end else if (busy) begin
            if (left >= 5'd4) begin
              work <= {work[27:0], {4{shift_fill}}};
              left <= left - 5'd4;
            end else if (left != 5'd0) begin
              work <= {work[30:0], shift_fill};
              left <= left - 5'd1;
            end else begin
              busy <= 1'b0;
              finished <= 1'b1;
            end
          end
        end
      end
      assign result = shift_right ? reversed(work) : work;
      assign done = finished;
    end
  endgenerate
endmodule

// ---------------------------------------------------------------- multiplier and divider

// mul, mulh, mulhsu, mulhu: shift and add over the operands' magnitudes, one
// bit a cycle, the sign applied at the end. div, divu, rem, remu: restoring
// division of the magnitudes, one quotient bit a cycle. `done` is high for
// one cycle with `result`; a division by zero gives all ones and the dividend.
module rv32im_muldiv #(
  parameter ENABLE_MUL = 1,
  parameter ENABLE_DIV = 1
) (
  input clk,
  input resetn,
  input start,
  input [2:0] funct3,
  input [31:0] a,
  input [31:0] b,
  output reg [31:0] result,
  output reg done
);
  localparam [1:0] IDLE = 2'd0;
  localparam [1:0] MULTIPLY = 2'd1;
  localparam [1:0] DIVIDE = 2'd2;
  localparam [1:0] FINISH = 2'd3;

  reg [1:0] phase;
  reg [5:0] steps;
  reg [2:0] op;
  reg negate_result;   // the product or quotient changes sign
  reg negate_rest;     // the remainder changes sign
  reg by_zero;
  reg [31:0] dividend_in;
  reg [31:0] operand;  // multiplicand or divisor (magnitude)
  reg [63:0] product;  // high half accumulates, low half the multiplier shifting out
  reg [31:0] quotient;
  reg [31:0] rest;

  wire is_div = funct3[2];
  wire a_signed = is_div ? !funct3[0] : (funct3 == 3'b001 || funct3 == 3'b010);
  wire b_signed = is_div ? !funct3[0] : funct3 == 3'b001;
  wire a_negative = a_signed && a[31];
  wire b_negative = b_signed && b[31];
  wire [31:0] a_magnitude = a_negative ? -a : a;
  wire [31:0] b_magnitude = b_negative ? -b : b;

  // one multiplier step
  wire [32:0] partial = {1'b0, product[63:32]} + (product[0] ? {1'b0, operand} : 33'd0);
  // one divider step
  wire [32:0] shifted_rest = {rest, quotient[31]};
  wire fits = shifted_rest >= {1'b0, operand};
  wire [32:0] reduced = shifted_rest - {1'b0, operand};

  wire [63:0] signed_product = negate_result ? -product : product;
  wire [31:0] signed_quotient = negate_result ? -quotient : quotient;
  wire [31:0] signed_rest = negate_rest ? -rest : rest;

  always @(posedge clk) begin
    if (!resetn) begin
      phase <= IDLE;
      steps <= 6'd0;
      op <= 3'd0;
      negate_result <= 1'b0;
      negate_rest <= 1'b0;
      by_zero <= 1'b0;
      dividend_in <= 32'd0;
      operand <= 32'd0;
      product <= 64'd0;
      quotient <= 32'd0;
      rest <= 32'd0;
      result <= 32'd0;
      done <= 1'b0;
    end else begin
      done <= 1'b0;
      case (phase)
        IDLE:
          if (start) begin
            op <= funct3;
            steps <= 6'd32;
            if (is_div && ENABLE_DIV) begin
              negate_result <= a_negative != b_negative;
              negate_rest <= a_negative;
              by_zero <= b == 32'd0;
              dividend_in <= a;
              operand <= b_magnitude;
              quotient <= a_magnitude;
              rest <= 32'd0;
              phase <= DIVIDE;
            end else if (!is_div && ENABLE_MUL) begin
              negate_result <= a_negative != b_negative;
              operand <= a_magnitude;
              product <= {32'd0, b_magnitude};
              phase <= MULTIPLY;
            end else begin
              result <= 32'd0;
              done <= 1'b1;
            end
          end
        MULTIPLY: begin
          product <= {partial, product[31:1]};
          steps <= steps - 6'd1;
          if (steps == 6'd1) phase <= FINISH;
        end
        DIVIDE: begin
          rest <= fits ? reduced[31:0] : shifted_rest[31:0];
          quotient <= {quotient[30:0], fits};
          steps <= steps - 6'd1;
          if (steps == 6'd1) phase <= FINISH;
        end
        default: begin  // FINISH
          if (!op[2])
            result <= op[1:0] == 2'b00 ? signed_product[31:0] : signed_product[63:32];
          else if (by_zero)
            result <= op[1] ? dividend_in : 32'hffff_ffff;
          else
            result <= op[1] ? signed_rest : signed_quotient;
          done <= 1'b1;
          phase <= IDLE;
        end
      endcase
    end
  end
endmodule

// ---------------------------------------------------------------- loads and stores

// Byte lanes and data of a store, the value of a load, and whether the
// access is misaligned, from funct3 and the address's low bits.
module rv32im_lsu (
  input [2:0] funct3,
  input [1:0] offset,
  input [31:0] store_value,
  input [31:0] load_word,
  output reg [3:0] wmask,
  output reg [31:0] wdata,
  output reg [31:0] load_value,
  output misaligned
);
  wire [31:0] aligned = load_word >> {offset, 3'b000};

  assign misaligned = (funct3[1:0] == 2'b01 && offset[0]) || (funct3[1:0] == 2'b10 && offset != 2'b00);

  always @* begin
    case (funct3[1:0])
      2'b00: begin
        wmask = 4'b0001 << offset;
        wdata = {4{store_value[7:0]}};
        load_value = funct3[2] ? {24'd0, aligned[7:0]} : {{24{aligned[7]}}, aligned[7:0]};
      end
      2'b01: begin
        wmask = offset[1] ? 4'b1100 : 4'b0011;
        wdata = {2{store_value[15:0]}};
        load_value = funct3[2] ? {16'd0, aligned[15:0]} : {{16{aligned[15]}}, aligned[15:0]};
      end
      default: begin
        wmask = 4'b1111;
        wdata = store_value;
        load_value = load_word;
      end
    endcase
  end
endmodule

// ---------------------------------------------------------------- CSRs

// The machine-mode CSRs, the counters, trap entry and return, and the
// pending interrupt. `legal` says whether the instruction's CSR access is
// allowed (the CSR exists and is writable when it would be written).
module rv32im_csr #(
  parameter [31:0] TRAP_ADDR = 32'h0000_0010,
  parameter ENABLE_IRQ = 1,
  parameter ENABLE_COUNTERS = 1,
  parameter ENABLE_COMPRESSED = 1,
  parameter ENABLE_MUL = 1
) (
  input clk,
  input resetn,
  input [11:0] addr,
  input [2:0] op,
  input write_request,
  input [31:0] source,
  input access,
  output reg [31:0] rdata,
  output reg legal,
  input retire,
  input trap,
  input [31:0] trap_cause,
  input [31:0] trap_pc,
  input [31:0] trap_value,
  input mret,
  input irq_software,
  input irq_timer,
  input irq_external,
  output [31:0] mtvec,
  output [31:0] mepc,
  output irq_pending,
  output reg [31:0] irq_cause,
  output [31:0] trap_target
);
  localparam [11:0] CSR_MSTATUS = 12'h300;
  localparam [11:0] CSR_MISA = 12'h301;
  localparam [11:0] CSR_MIE = 12'h304;
  localparam [11:0] CSR_MTVEC = 12'h305;
  localparam [11:0] CSR_MSCRATCH = 12'h340;
  localparam [11:0] CSR_MEPC = 12'h341;
  localparam [11:0] CSR_MCAUSE = 12'h342;
  localparam [11:0] CSR_MTVAL = 12'h343;
  localparam [11:0] CSR_MIP = 12'h344;
  localparam [11:0] CSR_MCYCLE = 12'hB00;
  localparam [11:0] CSR_MINSTRET = 12'hB02;
  localparam [11:0] CSR_MCYCLEH = 12'hB80;
  localparam [11:0] CSR_MINSTRETH = 12'hB82;
  localparam [11:0] CSR_CYCLE = 12'hC00;
  localparam [11:0] CSR_INSTRET = 12'hC02;
  localparam [11:0] CSR_CYCLEH = 12'hC80;
  localparam [11:0] CSR_INSTRETH = 12'hC82;
  localparam [11:0] CSR_MVENDORID = 12'hF11;
  localparam [11:0] CSR_MARCHID = 12'hF12;
  localparam [11:0] CSR_MIMPID = 12'hF13;
  localparam [11:0] CSR_MHARTID = 12'hF14;

  // misa: MXL = 1 (32 bits), I, M and C as built
  localparam [31:0] MISA = 32'h4000_0100 | (ENABLE_MUL ? 32'h0000_1000 : 32'd0) |
                           (ENABLE_COMPRESSED ? 32'h0000_0004 : 32'd0);

  reg mstatus_mie, mstatus_mpie;
  reg mie_msie, mie_mtie, mie_meie;
  reg [31:0] mtvec_q, mscratch, mepc_q, mcause, mtval;
  reg [63:0] mcycle, minstret;

  wire [31:0] mstatus = {19'd0, 2'b11, 3'd0, mstatus_mpie, 3'd0, mstatus_mie, 3'd0};
  wire [31:0] mip = {20'd0, irq_external, 3'd0, irq_timer, 3'd0, irq_software, 3'd0};
  wire [31:0] mie = {20'd0, mie_meie, 3'd0, mie_mtie, 3'd0, mie_msie, 3'd0};

  assign mtvec = mtvec_q;
  assign mepc = mepc_q;

  // ---- reads, and which CSRs exist
  reg exists;
  always @* begin
    exists = 1'b1;
    case (addr)
      CSR_MSTATUS: rdata = mstatus;
      CSR_MISA: rdata = MISA;
      CSR_MIE: rdata = mie;
      CSR_MTVEC: rdata = mtvec_q;
      CSR_MSCRATCH: rdata = mscratch;
      CSR_MEPC: rdata = mepc_q;
      CSR_MCAUSE: rdata = mcause;
      CSR_MTVAL: rdata = mtval;
      CSR_MIP: rdata = mip;
      CSR_MCYCLE, CSR_CYCLE: rdata = mcycle[31:0];
      CSR_MCYCLEH, CSR_CYCLEH: rdata = mcycle[63:32];
      CSR_MINSTRET, CSR_INSTRET: rdata = minstret[31:0];
      CSR_MINSTRETH, CSR_INSTRETH: rdata = minstret[63:32];
      CSR_MVENDORID, CSR_MARCHID, CSR_MIMPID, CSR_MHARTID: rdata = 32'd0;
      default: begin
        rdata = 32'd0;
        exists = 1'b0;
      end
    endcase
    if (!ENABLE_COUNTERS && (addr[11:8] == 4'hB || addr[11:8] == 4'hC)) begin
      rdata = 32'd0;
      exists = 1'b0;
    end
    legal = exists && !(write_request && addr[11:10] == 2'b11);
  end

  // ---- the value written: csrrw, csrrs, csrrc
  reg [31:0] written;
  always @*
    case (op[1:0])
      2'b01: written = source;
      2'b10: written = rdata | source;
      default: written = rdata & ~source;
    endcase
  wire write = access && write_request;

  // ---- interrupts: external before software before timer
  wire take_external = mie_meie && irq_external;
  wire take_software = mie_msie && irq_software;
  wire take_timer = mie_mtie && irq_timer;
  assign irq_pending = ENABLE_IRQ != 0 && mstatus_mie && (take_external || take_software || take_timer);
  always @*
    if (take_external) irq_cause = 32'h8000_000b;
    else if (take_software) irq_cause = 32'h8000_0003;
    else irq_cause = 32'h8000_0007;

  // direct mode, or vectored (mode 1) for interrupts
  assign trap_target = (mtvec_q[1:0] == 2'b01 && trap_cause[31]) ?
                       {mtvec_q[31:2], 2'b00} + {trap_cause[29:0], 2'b00} : {mtvec_q[31:2], 2'b00};

  always @(posedge clk) begin
    if (!resetn) begin
      mstatus_mie <= 1'b0;
      mstatus_mpie <= 1'b0;
      mie_msie <= 1'b0;
      mie_mtie <= 1'b0;
      mie_meie <= 1'b0;
      mtvec_q <= TRAP_ADDR;
      mscratch <= 32'd0;
      mepc_q <= 32'd0;
      mcause <= 32'd0;
      mtval <= 32'd0;
      mcycle <= 64'd0;
      minstret <= 64'd0;
    end else begin
      if (ENABLE_COUNTERS) begin
        mcycle <= mcycle + 64'd1;
        if (retire) minstret <= minstret + 64'd1;
      end
      if (trap) begin
        mepc_q <= trap_pc;
        mcause <= trap_cause;
        mtval <= trap_value;
        mstatus_mpie <= mstatus_mie;
        mstatus_mie <= 1'b0;
      end else if (mret) begin
        mstatus_mie <= mstatus_mpie;
        mstatus_mpie <= 1'b1;
      end else if (write) begin
        case (addr)
          CSR_MSTATUS: begin
            mstatus_mie <= written[3];
            mstatus_mpie <= written[7];
          end
          CSR_MIE: begin
            mie_msie <= written[3];
            mie_mtie <= written[7];
            mie_meie <= written[11];
          end
          CSR_MTVEC: mtvec_q <= {written[31:2], 1'b0, written[0]};
          CSR_MSCRATCH: mscratch <= written;
          CSR_MEPC: mepc_q <= {written[31:1], 1'b0};
          CSR_MCAUSE: mcause <= written;
          CSR_MTVAL: mtval <= written;
          CSR_MCYCLE: if (ENABLE_COUNTERS) mcycle[31:0] <= written;
          CSR_MCYCLEH: if (ENABLE_COUNTERS) mcycle[63:32] <= written;
          CSR_MINSTRET: if (ENABLE_COUNTERS) minstret[31:0] <= written;
          CSR_MINSTRETH: if (ENABLE_COUNTERS) minstret[63:32] <= written;
          default: ;
        endcase
      end
    end
  end
endmodule

// ---------------------------------------------------------------- trace

// One registered record a retired instruction or a trap, valid for a cycle.
// Without ENABLE the outputs stay zero.
module rv32im_trace #(
  parameter ENABLE = 1
) (
  input clk,
  input resetn,
  input retire,
  input trap,
  input [31:0] pc,
  input [31:0] insn,
  input [4:0] rd,
  input rd_we,
  input [31:0] rd_data,
  input [31:0] cause,
  output reg trace_valid,
  output reg trace_trap,
  output reg [31:0] trace_pc,
  output reg [31:0] trace_insn,
  output reg [4:0] trace_rd,
  output reg trace_rd_we,
  output reg [31:0] trace_rd_data,
  output reg [31:0] trace_cause
);
  always @(posedge clk) begin
    if (!resetn) begin
      trace_valid <= 1'b0;
      trace_trap <= 1'b0;
      trace_pc <= 32'd0;
      trace_insn <= 32'd0;
      trace_rd <= 5'd0;
      trace_rd_we <= 1'b0;
      trace_rd_data <= 32'd0;
      trace_cause <= 32'd0;
    end else if (ENABLE) begin
      trace_valid <= retire || trap;
      trace_trap <= trap;
      if (retire || trap) begin
        trace_pc <= pc;
        trace_insn <= insn;
        trace_rd <= trap ? 5'd0 : rd;
        trace_rd_we <= !trap && rd_we;
        trace_rd_data <= rd_data;
        trace_cause <= trap ? cause : 32'd0;
      end
    end
  end
endmodule
