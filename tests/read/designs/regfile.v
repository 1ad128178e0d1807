// A register file: one write port, two read ports.
module regfile(input clk, input we, input [2:0] wa, ra1, ra2, input [7:0] wd, output [7:0] rd1, output [7:0] rd2);
  reg [7:0] regs [0:7];
  always @(posedge clk) if (we) regs[wa] <= wd;
  assign rd1 = regs[ra1];
  assign rd2 = regs[ra2];
endmodule
